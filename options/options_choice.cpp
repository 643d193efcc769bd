#include "options/options_choice.h"

#include <iterator>

namespace quorvane {
namespace {

constexpr wchar_t kSpaces[] = L" \t";

std::wstring_view Trimmed(std::wstring_view text) {
    auto const first = text.find_first_not_of(kSpaces);
    if (first == std::wstring_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

} // namespace

int CountFromSelection(int selectedIndex) {
    return selectedIndex + kFirstChoiceCount;
}

int SelectionForCount(int count) {
    auto const index = count - kFirstChoiceCount;
    return index >= 0 && index < static_cast<int>(std::size(kDesktopChoices)) ? index : -1;
}

int SelectionForText(std::wstring_view text) {
    auto const typed = Trimmed(text);
    for (int index = 0; index < static_cast<int>(std::size(kDesktopChoices)); ++index) {
        if (typed == kDesktopChoices[index]) {
            return index;
        }
    }
    return -1;
}

} // namespace quorvane
