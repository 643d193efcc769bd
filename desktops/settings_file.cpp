#include "desktops/settings_file.h"

#include "app/error_report.h"
#include "platform/decimal_text.h"
#include "platform/text_mode.h"

#include <limits>

namespace quorvane {
namespace {

// Enough bytes for the longest first line the program reads, CR LF pairs included.
constexpr std::size_t kSettingsReadBytes = 2 * kSettingsLineChars + 2;

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Written over the old line instead of after emptying the file, so that
// another copy reading meanwhile, or the next start after a crash between
// the steps, finds the old count or the new one, never none. The new line
// ends in a line feed, so what is left of a longer old file until the end
// is set lies past the first line, which is all a reader takes.
platform::ErrorCode WriteOver(platform::Files& files, std::wstring const& path,
                              std::string const& bytes) {
    auto const opened = files.OpenForWriting(path);
    if (!opened.file) {
        return opened.error;
    }
    platform::UniqueFile const file(files, opened.file);
    if (auto const error = files.WriteAtStart(file.get(), bytes); error != platform::kSuccess) {
        return error;
    }
    return files.EndHere(file.get());
}

} // namespace

std::wstring SettingsFolder(platform::System& system) {
    if (auto const appData = system.Environment(kSettingsFolderVariable)) {
        return *appData + kSettingsFolderName;
    }
    return kSettingsFolderWithoutAppData;
}

std::wstring SettingsPath(platform::System& system) {
    return SettingsFolder(system) + kSettingsFileName;
}

std::optional<int> ParseCount(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && IsSpace(line[i])) {
        ++i;
    }
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
        negative = line[i] == '-';
        ++i;
    }
    if (i == line.size() || !IsDigit(line[i])) {
        return std::nullopt;
    }
    long long value = 0;
    constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    for (; i < line.size() && IsDigit(line[i]); ++i) {
        value = value * 10 + (line[i] - '0');
        if (value > kLimit) {
            return std::nullopt;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

bool IsUsableCount(int count) {
    return count >= kMinDesktopCount && count <= kMaxDesktopCount;
}

SettingsRead ReadSettings(platform::Os& os) {
    os.files.CreateFolder(SettingsFolder(os.system));
    auto const file = os.files.ReadPrefix(SettingsPath(os.system), kSettingsReadBytes);
    if (!file.opened) {
        return {};
    }
    auto const count = ParseCount(platform::DecodeFirstLine(file.bytes, kSettingsLineChars));
    if (!count || !IsUsableCount(*count)) {
        return {true, std::nullopt};
    }
    return {true, count};
}

void ReadSettingsAtStart(platform::Os& os, int& desktopCount, bool& firstRun) {
    auto const read = ReadSettings(os);
    if (!read.opened) {
        return;
    }
    firstRun = false;
    if (read.count) {
        desktopCount = *read.count;
    }
}

std::optional<int> ResyncSettings(platform::Os& os, int desktopCount) {
    auto const read = ReadSettings(os);
    if (!read.count || *read.count == desktopCount) {
        return std::nullopt;
    }
    return read.count;
}

void WriteSettings(platform::Os& os, platform::Window& owner, int count) {
    if (auto const error = WriteSettingsQuietly(os, count); error != platform::kSuccess) {
        ErrorReport(os.system, owner, error);
    }
}

platform::ErrorCode WriteSettingsQuietly(platform::Os& os, int count) {
    auto const bytes = platform::EncodeTextMode(platform::DecimalText(count) + L"\r\n");
    return WriteOver(os.files, SettingsPath(os.system), bytes);
}

} // namespace quorvane
