// The settings store in the registry: a key under HKEY_CURRENT_USER or
// HKEY_LOCAL_MACHINE, numbers as REG_DWORD values.
#include "platform/settings_store.h"

#include <windows.h>

#include <string>
#include <vector>

namespace platform {

namespace {

// Registry names are at most 255 characters.
constexpr DWORD longestValueName = 256;
// Settings keys hold a few small values; anything larger is not ours.
constexpr DWORD largestValueData = 64 * 1024;

HKEY rootKey(SettingsRoot root) { return root == SettingsRoot::localMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// The registry takes NUL-terminated names: a subkey holding a NUL is refused.
std::optional<std::string> keyName(std::string_view subkey)
{
    if (subkey.empty() || subkey.find('\0') != std::string_view::npos)
        return std::nullopt;
    return std::string(subkey);
}

struct KeyCloser {
    HKEY key = nullptr;
    ~KeyCloser()
    {
        if (key != nullptr)
            RegCloseKey(key);
    }
};

}  // namespace

std::optional<StoredValues> readSettings(SettingsRoot root, std::string_view subkey)
{
    const auto name = keyName(subkey);
    KeyCloser key;
    if (!name || RegOpenKeyExA(rootKey(root), name->c_str(), 0, KEY_READ, &key.key) != ERROR_SUCCESS)
        return std::nullopt;
    StoredValues values;
    std::vector<BYTE> data(largestValueData);
    for (DWORD index = 0;; ++index) {
        char valueName[longestValueName];
        DWORD nameLength = longestValueName;
        DWORD type = 0;
        auto dataLength = static_cast<DWORD>(data.size());
        const LONG result = RegEnumValueA(key.key, index, valueName, &nameLength, nullptr, &type, data.data(), &dataLength);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result == ERROR_MORE_DATA)
            continue;  // too large for a setting: skipped
        if (result != ERROR_SUCCESS)
            return std::nullopt;
        StoredValue value;
        if (type == REG_DWORD && dataLength == sizeof(DWORD)) {
            value.isNumber = true;
            value.number = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
                           static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
        } else {
            value.text.assign(reinterpret_cast<const char*>(data.data()), dataLength);
        }
        values[std::string(valueName, nameLength)] = value;
    }
    return values;
}

bool writeSettings(SettingsRoot root, std::string_view subkey, const std::map<std::string, std::uint32_t>& numbers)
{
    const auto name = keyName(subkey);
    KeyCloser key;
    if (!name || RegCreateKeyExA(rootKey(root), name->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                 nullptr, &key.key, nullptr) != ERROR_SUCCESS)
        return false;
    for (const auto& [valueName, number] : numbers) {
        const DWORD value = number;
        if (RegSetValueExA(key.key, valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof value) != ERROR_SUCCESS)
            return false;
    }
    return true;
}

}  // namespace platform
