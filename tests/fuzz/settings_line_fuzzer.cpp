// Feeds arbitrary file contents through the settings line reader and parser.

#include "desktops/settings_file.h"
#include "platform/text_mode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    std::string_view const bytes(reinterpret_cast<char const*>(data), size);
    auto const line = platform::DecodeFirstLine(bytes, quorvane::kSettingsLineChars);
    if (line.size() > quorvane::kSettingsLineChars) {
        std::abort();
    }
    if (auto const count = quorvane::ParseCount(line); count && quorvane::IsUsableCount(*count)) {
        if (*count < 1 || *count > 4) {
            std::abort();
        }
    }
    return 0;
}
