#pragma once
// What the options window's desktop list offers and how a choice maps to a count.

#include <string_view>

namespace quorvane {

inline constexpr wchar_t const* kDesktopChoices[] = {L"2", L"3", L"4"};
// The list starts at two desktops: index 0 is "2".
inline constexpr int kFirstChoiceCount = 2;

// The count for a list selection; no selection (-1) gives 1.
int CountFromSelection(int selectedIndex);

// The list selection that shows a count; counts the list does not hold (1)
// give no selection.
int SelectionForCount(int count);

// The list index of the item that text typed into the box names, spaces
// around it ignored; -1 when it names none.
int SelectionForText(std::wstring_view text);

} // namespace quorvane
