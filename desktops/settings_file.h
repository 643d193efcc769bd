#pragma once
// The one-line settings file through which every copy of the program, on
// every desktop, agrees on how many desktops to offer.

#include "platform/os.h"
#include "platform/window.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

inline constexpr wchar_t kSettingsFolderVariable[] = L"APPDATA";
inline constexpr wchar_t kSettingsFolderName[] = L"\\Quorvane";
inline constexpr wchar_t kSettingsFolderWithoutAppData[] = L"C:";
inline constexpr wchar_t kSettingsFileName[] = L"\\conf01.dat";
// Earlier versions read the first line into a buffer of this many characters.
inline constexpr std::size_t kSettingsLineChars = 354;
inline constexpr int kDefaultDesktopCount = 2;
inline constexpr int kMinDesktopCount = 1;
inline constexpr int kMaxDesktopCount = 4;

std::wstring SettingsFolder(platform::System& system);
std::wstring SettingsPath(platform::System& system);

// The number at the start of the line, read the way "%d" reads it: white
// space skipped, an optional sign, then digits. Nothing when there are no
// digits or the number does not fit in an int.
std::optional<int> ParseCount(std::string_view line);

// A desktop count the program can show: the table has four slots, and fewer
// than one icon would leave no way back to the options.
bool IsUsableCount(int count);

struct SettingsRead {
    bool opened = false;
    std::optional<int> count; // a usable count, when the first line holds one
};

// Creates the folder when needed and reads the count from the file.
SettingsRead ReadSettings(platform::Os& os);

// At start: takes a usable count from the file, and any file that opened,
// whatever it holds, means this is not the first run.
void ReadSettingsAtStart(platform::Os& os, int& desktopCount, bool& firstRun);

// On each sync tick: a usable count another copy wrote, when it differs
// from desktopCount. A file that cannot be read or holds no usable count
// gives nothing, so the count in force stays.
std::optional<int> ResyncSettings(platform::Os& os, int desktopCount);

// Writes the count; a file that cannot be written gets the "Error" box.
void WriteSettings(platform::Os& os, platform::Window& owner, int count);

// Writes the count where nobody may be asked: Windows, closing the program,
// ends it if it waits for a box. The error, if the write failed.
platform::ErrorCode WriteSettingsQuietly(platform::Os& os, int count);

} // namespace quorvane
