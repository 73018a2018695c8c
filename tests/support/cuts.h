#pragma once
// A file cut short must fail to load, never crash or read past its end (the
// sanitizer build makes the second visible): the check every reader's tests
// share.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace testsupport {

// Every length below `dense` (headers are where most fields live), then
// `spread` lengths evenly over the rest, then the last few bytes. With
// `dense` at the size, every length.
inline std::vector<size_t> cutLengths(size_t size, size_t dense, size_t spread = 0)
{
    std::vector<size_t> lengths;
    for (size_t length = 0; length < std::min(size, dense); ++length)
        lengths.push_back(length);
    if (size > dense)
        for (size_t i = 0; i < spread; ++i)
            lengths.push_back(dense + (size - dense) * i / spread);
    for (size_t back = 1; back <= 4 && back <= size; ++back)
        lengths.push_back(size - back);
    std::sort(lengths.begin(), lengths.end());
    lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
    return lengths;
}

// The whole file loads, and each of its pieces cut to `lengths` does not.
inline void expectEveryCutFails(const std::string& name, const std::vector<uint8_t>& bytes,
                                const std::vector<size_t>& lengths,
                                const std::function<bool(std::span<const uint8_t>)>& loads)
{
    ASSERT_TRUE(loads(bytes)) << name;
    for (const size_t length : lengths)
        EXPECT_FALSE(loads(std::span<const uint8_t>(bytes.data(), length)))
            << name << " cut to " << length << " of " << bytes.size() << " bytes";
}

}  // namespace testsupport
