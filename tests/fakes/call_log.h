#pragma once
// One ordered record of every call the fakes see, so tests can check the
// order of steps across desktops, files, tray and window.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace fakes {

struct CallLog {
    std::vector<std::string> calls;

    void Add(std::string call) { calls.push_back(std::move(call)); }
    // The calls that start with the prefix, in order.
    std::vector<std::string> Matching(std::string_view prefix) const;
    // Position of the first call starting with prefix, or -1.
    int IndexOf(std::string_view prefix) const;
    // Success when a call starting with each prefix was made, and the first
    // of each came after the first of the one before.
    ::testing::AssertionResult InOrder(std::initializer_list<std::string_view> prefixes) const;
};

std::string Narrow(std::wstring_view text);

} // namespace fakes
