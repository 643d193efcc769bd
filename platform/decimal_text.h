#pragma once
// A number in decimal digits, as the program writes it in the settings file
// and in error texts. Written out here because the runtime's formatting
// (std::to_wstring) brings its whole printf engine into the program.

#include <array>
#include <cstdint>
#include <string>

namespace platform {

inline std::wstring DecimalText(std::uint32_t value) {
    // Room for the 10 digits of the largest value.
    constexpr std::size_t kLongest = 10;
    constexpr std::uint32_t kBase = 10;
    std::array<wchar_t, kLongest> digits{};
    std::size_t start = digits.size();
    do {
        digits[--start] = static_cast<wchar_t>(L'0' + value % kBase);
        value /= kBase;
    } while (value != 0);
    return std::wstring(digits.data() + start, digits.data() + digits.size());
}

inline std::wstring DecimalText(int value) {
    if (value >= 0) {
        return DecimalText(static_cast<std::uint32_t>(value));
    }
    // Through the unsigned type, so the most negative value has a magnitude too.
    return L"-" + DecimalText(0u - static_cast<std::uint32_t>(value));
}

} // namespace platform
