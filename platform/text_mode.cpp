#include "platform/text_mode.h"

namespace platform {
namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr char kEndOfFileMark = '\x1A';
constexpr wchar_t kLastAscii = 0x7F;

} // namespace

std::string EncodeTextMode(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size() + 1);
    for (wchar_t const c : text) {
        if (c == L'\n') {
            bytes += kCarriageReturn;
        }
        bytes += c <= kLastAscii ? static_cast<char>(c) : '?';
    }
    return bytes;
}

std::string DecodeFirstLine(std::string_view bytes, std::size_t maxChars) {
    std::string line;
    for (std::size_t i = 0; i < bytes.size() && line.size() < maxChars; ++i) {
        char c = bytes[i];
        if (c == kEndOfFileMark) {
            break;
        }
        if (c == kCarriageReturn && i + 1 < bytes.size() && bytes[i + 1] == kLineFeed) {
            c = kLineFeed;
            ++i;
        }
        line += c;
        if (c == kLineFeed) {
            break;
        }
    }
    return line;
}

} // namespace platform
