#include "options/options_choice.h"

#include <iterator>

namespace quorvane {

int CountFromSelection(int selectedIndex) {
    return selectedIndex + kFirstChoiceCount;
}

int SelectionForCount(int count) {
    auto const index = count - kFirstChoiceCount;
    return index >= 0 && index < static_cast<int>(std::size(kDesktopChoices)) ? index : -1;
}

} // namespace quorvane
