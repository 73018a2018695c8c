#pragma once
// Named values under a key and subkey, kept where the user's settings live:
// on the desktop one small text file per key under $XDG_CONFIG_HOME (or
// ~/.config), in solvane/settings/<root>/<subkey folders>/values; in the
// browser the same text in the page's local storage, under that path. A line holds one value,
// "Name=dword:0000ac44" for a 32-bit number; any other value text is kept as
// a value of another type. Lines that are not "name=value" are skipped, so
// any file reads without harm.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class SettingsRoot { currentUser = 1, localMachine = 2 };

struct StoredValue {
    bool isNumber = false;      // a 32-bit number ("dword:"), else text of another type
    std::uint32_t number = 0;
    std::string text;           // the raw value text when it is not a number
};

using StoredValues = std::map<std::string, StoredValue>;

// The largest text a key may hold.
inline constexpr std::size_t largestSettingsText = 64 * 1024;

// The folder the store keeps its files in.
std::filesystem::path settingsFolder();

// The file of one key; nothing for a subkey that is empty or would leave the
// store's folder (empty, "." or ".." parts, NUL characters). Parts are split
// at backslashes and slashes.
std::optional<std::filesystem::path> settingsFile(SettingsRoot root, std::string_view subkey);

// Reads a key's values; nothing when the key does not exist, cannot be read
// or is larger than a settings file can be.
std::optional<StoredValues> readSettings(SettingsRoot root, std::string_view subkey);

// Creates the key if needed and stores the numbers, keeping its other values.
// False when the key cannot be made or written.
bool writeSettings(SettingsRoot root, std::string_view subkey, const std::map<std::string, std::uint32_t>& numbers);

// The parts of the text format, for the backends and tests.
StoredValues parseSettings(std::string_view text);
std::string formatSettings(const StoredValues& values);
// A key's text after storing the numbers over its current text, keeping its
// other values; nothing when a name cannot be stored (empty, or holding '=' or
// a line break).
std::optional<std::string> settingsWithNumbers(std::string_view currentText,
                                               const std::map<std::string, std::uint32_t>& numbers);

}  // namespace platform
