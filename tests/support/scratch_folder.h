#pragma once
// A fresh temporary folder per test, removed afterwards, so that tests run
// side by side and leave nothing in the folder they run from.

#include <cstddef>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/support/files.h"

namespace testsupport {

class ScratchFolder {
public:
    ScratchFolder()
    {
        // A random name that no other test holds: create_directory makes it
        // only when it does not exist yet (and works where mkdtemp is absent).
        std::random_device random;
        do
            root_ = std::filesystem::temp_directory_path() / ("solvane-test-" + std::to_string(random()));
        while (!std::filesystem::create_directory(root_));
    }
    ~ScratchFolder() { std::filesystem::remove_all(root_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const { return (root_ / name).string(); }
    const std::filesystem::path& root() const { return root_; }

    // Writes `name` in the folder and answers its path.
    std::string write(const std::string& name, const std::vector<std::byte>& bytes) const
    {
        writeBytes(path(name), std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        return path(name);
    }

    std::vector<std::byte> read(const std::string& name) const
    {
        const std::string text = readText(path(name));
        const auto* first = reinterpret_cast<const std::byte*>(text.data());
        return {first, first + text.size()};
    }

private:
    std::filesystem::path root_;
};

}  // namespace testsupport
