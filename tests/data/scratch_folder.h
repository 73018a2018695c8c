#pragma once
// A fresh temporary folder per test, removed afterwards, so tests that write
// libraries can run in parallel.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace data::testing {

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "solvane-data-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
    }
    ~ScratchFolder() { std::filesystem::remove_all(root_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const { return (root_ / name).string(); }

    std::string write(const std::string& name, const std::vector<std::byte>& bytes) const
    {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path(name);
    }

    std::vector<std::byte> read(const std::string& name) const
    {
        std::ifstream in(path(name), std::ios::binary);
        std::vector<char> chars{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::vector<std::byte> bytes(chars.size());
        for (std::size_t i = 0; i < chars.size(); ++i) bytes[i] = std::byte(chars[i]);
        return bytes;
    }

private:
    std::filesystem::path root_;
};

inline std::vector<std::byte> patternBytes(std::size_t count, unsigned seed = 1)
{
    std::vector<std::byte> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = std::byte((i * 131 + seed * 7) & 0xFF);
    return bytes;
}

}  // namespace data::testing
