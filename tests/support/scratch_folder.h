#pragma once
// A fresh temporary folder per test, removed afterwards, so that tests run
// side by side and leave nothing in the folder they run from.

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/files.h"

namespace testsupport {

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "solvane-test-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
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
