#include "platform/settings_store.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

// The store's keys as files under the user's configuration folder.

namespace platform {

std::filesystem::path settingsFolder()
{
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path folder;
    if (configHome != nullptr && *configHome != '\0')
        folder = configHome;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        folder = std::filesystem::path(home) / ".config";
    else
        folder = ".";
    return folder / "solvane" / "settings";
}

std::optional<StoredValues> readSettings(SettingsRoot root, std::string_view subkey)
{
    const auto file = settingsFile(root, subkey);
    if (!file)
        return std::nullopt;
    std::error_code error;
    const auto size = std::filesystem::file_size(*file, error);
    if (error || size > largestSettingsText)
        return std::nullopt;
    std::ifstream in(*file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return parseSettings(text.str());
}

bool writeSettings(SettingsRoot root, std::string_view subkey, const std::map<std::string, std::uint32_t>& numbers)
{
    const auto file = settingsFile(root, subkey);
    if (!file)
        return false;
    std::string current;
    if (const auto values = readSettings(root, subkey))
        current = formatSettings(*values);
    const auto text = settingsWithNumbers(current, numbers);
    if (!text)
        return false;
    std::error_code error;
    std::filesystem::create_directories(file->parent_path(), error);
    if (error)
        return false;

    // Written beside the key's file first, so a failed write never leaves half a key.
    std::filesystem::path partial = *file;
    partial += ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << *text;
        if (!out.flush())
            return false;
    }
    std::filesystem::rename(partial, *file, error);
    return !error;
}

}  // namespace platform
