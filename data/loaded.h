#pragma once
// The result of a checked read: a value, or a message that says which file and
// which entry failed and why. Loaders return it instead of throwing, so the
// show can stop with one clear line before the display opens.

#include <optional>
#include <string>
#include <utility>

namespace data {

struct Failure {
    std::string message;
};

inline Failure fail(std::string message) { return Failure{std::move(message)}; }

template <class T>
class Loaded {
public:
    Loaded(T value) : value_(std::move(value)) {}
    Loaded(Failure failure) : error_(std::move(failure.message)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Empty when ok().
    const std::string& error() const { return error_; }

    T& value() & { return *value_; }
    const T& value() const& { return *value_; }
    T&& value() && { return std::move(*value_); }
    T& operator*() & { return *value_; }
    const T& operator*() const& { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

private:
    std::optional<T> value_;
    std::string error_;
};

}  // namespace data
