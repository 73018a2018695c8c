#pragma once
// The sound settings both pages keep in the browser's local storage: the
// five the sound library saves itself and, beside them under the same key,
// the sound card and the "never use DirectSound" switch that its setup
// dialog offers too.

namespace web {

inline constexpr const char* soundSettingsKey = "Software\\Orvane\\Solvane";

// Into the library's options and its device choice; what is missing or not
// acceptable stays as it is (the library's defaults after MusicStartup).
void restoreSoundSettings();

// The library's options and device choice, as its setup dialog left them.
bool saveSoundSettings();

}  // namespace web
