#pragma once
// The readers under test take a file name, so each fuzz input is written to a
// scratch file named after the process first (several fuzzers may share a
// folder with -jobs).

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace fuzzing {

class ScratchFile {
public:
    ScratchFile(const char* stem, const std::uint8_t* bytes, std::size_t size)
        : path_(std::string(stem) + "." + std::to_string(getpid()) + ".tmp")
    {
        if (std::FILE* file = std::fopen(path_.c_str(), "wb")) {
            std::fwrite(bytes, 1, size, file);
            std::fclose(file);
        }
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace fuzzing
