// The store's keys in the page's local storage, one item per key holding the
// same text a key's file holds on the desktop. A browser that keeps no
// storage (private windows may refuse it) reads every key as missing and
// refuses every write.

#include "platform/settings_store.h"

#include <emscripten.h>

#include <cstdlib>

namespace platform {

namespace {

// clang-format off
// The item's text in newly allocated memory (the caller frees it), or null.
EM_JS(char*, storedItem, (const char* key), {
    try {
        const text = globalThis.localStorage ? localStorage.getItem(UTF8ToString(key)) : null;
        return text === null ? 0 : allocateUTF8(text);
    } catch (error) {
        return 0;
    }
});
EM_JS(int, storeItem, (const char* key, const char* text), {
    try {
        localStorage.setItem(UTF8ToString(key), UTF8ToString(text));
        return 1;
    } catch (error) {
        return 0;
    }
});
// clang-format on

std::optional<std::string> itemText(const std::filesystem::path& key)
{
    char* text = storedItem(key.generic_string().c_str());
    if (text == nullptr)
        return std::nullopt;
    std::string copy(text);
    std::free(text);
    return copy;
}

}  // namespace

std::filesystem::path settingsFolder() { return "solvane/settings"; }

std::optional<StoredValues> readSettings(SettingsRoot root, std::string_view subkey)
{
    const auto key = settingsFile(root, subkey);
    if (!key)
        return std::nullopt;
    const auto text = itemText(*key);
    if (!text || text->size() > largestSettingsText)
        return std::nullopt;
    return parseSettings(*text);
}

bool writeSettings(SettingsRoot root, std::string_view subkey, const std::map<std::string, std::uint32_t>& numbers)
{
    const auto key = settingsFile(root, subkey);
    if (!key)
        return false;
    const auto current = itemText(*key);
    const auto text = settingsWithNumbers(current && current->size() <= largestSettingsText ? *current : "", numbers);
    return text && storeItem(key->generic_string().c_str(), text->c_str()) == 1;
}

}  // namespace platform
