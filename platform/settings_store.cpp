#include "platform/settings_store.h"

#include <cstdio>

namespace platform {

namespace {

constexpr std::string_view numberPrefix = "dword:";

const char* rootName(SettingsRoot root)
{
    return root == SettingsRoot::localMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::optional<std::uint32_t> parseHexNumber(std::string_view digits)
{
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

}  // namespace

std::optional<std::filesystem::path> settingsFile(SettingsRoot root, std::string_view subkey)
{
    std::filesystem::path file = settingsFolder() / rootName(root);
    std::size_t start = 0;
    while (start <= subkey.size()) {
        std::size_t end = subkey.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = subkey.size();
        const std::string_view part = subkey.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.find('\0') != std::string_view::npos)
            return std::nullopt;
        file /= std::string(part);
        start = end + 1;
    }
    return file / "values";
}

StoredValues parseSettings(std::string_view text)
{
    StoredValues values;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0)
            continue;
        StoredValue value;
        const std::string_view valueText = line.substr(equals + 1);
        const auto number = valueText.starts_with(numberPrefix) ? parseHexNumber(valueText.substr(numberPrefix.size()))
                                                                : std::nullopt;
        if (number) {
            value.isNumber = true;
            value.number = *number;
        } else {
            value.text = valueText;
        }
        values[std::string(line.substr(0, equals))] = value;
    }
    return values;
}

std::string formatSettings(const StoredValues& values)
{
    std::string text;
    for (const auto& [name, value] : values) {
        text += name;
        text += '=';
        if (value.isNumber) {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value.number));
            text += numberPrefix;
            text += digits;
        } else {
            text += value.text;
        }
        text += '\n';
    }
    return text;
}

std::optional<std::string> settingsWithNumbers(std::string_view currentText,
                                               const std::map<std::string, std::uint32_t>& numbers)
{
    for (const auto& [name, number] : numbers) {
        if (name.empty() || name.find_first_of("=\n\r") != std::string::npos)
            return std::nullopt;
    }
    StoredValues values = parseSettings(currentText);
    for (const auto& [name, number] : numbers)
        values[name] = StoredValue{true, number, {}};
    return formatSettings(values);
}

}  // namespace platform
