#include "host/data_files.h"

#include "platform/process.h"

#include <filesystem>
#include <system_error>

#ifndef SOLVANE_INSTALL_DATADIR
#define SOLVANE_INSTALL_DATADIR "/usr/local/share/solvane"
#endif
#ifndef SOLVANE_DATADIR_FROM_BINDIR
#define SOLVANE_DATADIR_FROM_BINDIR "../share/solvane"
#endif

namespace host {

std::vector<std::string> dataSearchFolders()
{
    std::vector<std::string> folders;
    if (const std::string path = platform::programPath(); !path.empty()) {
        const std::filesystem::path program(path);
        folders.push_back(program.parent_path().string());
        folders.push_back((program.parent_path() / SOLVANE_DATADIR_FROM_BINDIR).lexically_normal().string());
    }
    folders.emplace_back(SOLVANE_INSTALL_DATADIR);
    return folders;
}

std::string locateDataFile(const std::string& name, const std::vector<std::string>& folders)
{
    std::error_code ec;
    if (std::filesystem::exists(name, ec))
        return name;
    for (const auto& folder : folders) {
        const auto candidate = std::filesystem::path(folder) / name;
        if (std::filesystem::exists(candidate, ec))
            return candidate.string();
    }
    return name;
}

}  // namespace host
