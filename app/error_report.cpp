#include "app/error_report.h"

#include "platform/decimal_text.h"
#include "platform/messages.h"
#include "platform/text_mode.h"

#include <cstddef>

namespace quorvane {
namespace {

constexpr int kHexDigits = 8;
constexpr wchar_t kHexDigitChars[] = L"0123456789ABCDEF";

std::wstring Hex(platform::ErrorCode code) {
    std::wstring hex(kHexDigits, L'0');
    for (int i = kHexDigits - 1; i >= 0; --i, code >>= 4) {
        hex[static_cast<std::size_t>(i)] = kHexDigitChars[code & 0xFu];
    }
    return hex;
}

std::wstring UnknownErrorText(platform::ErrorCode code) {
    return L"Unknown error " + platform::DecimalText(code) + L" (0x" + Hex(code) + L").";
}

} // namespace

std::wstring ErrorText(platform::System& system, platform::ErrorCode code) {
    auto text = system.ErrorText(code);
    return text && !text->empty() ? *text : UnknownErrorText(code);
}

void ErrorReport(platform::System& system, platform::Window& owner, platform::ErrorCode code) {
    owner.MessageBox(ErrorText(system, code), kErrorCaption, platform::kMbIconError);
}

void FailureLog(platform::Files& files, std::wstring const& text) {
    files.Append(kFailureLogPath, platform::EncodeTextMode(text + L"\r\n"));
}

} // namespace quorvane
