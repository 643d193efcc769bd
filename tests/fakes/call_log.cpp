#include "fakes/call_log.h"

namespace fakes {

std::vector<std::string> CallLog::Matching(std::string_view prefix) const {
    std::vector<std::string> found;
    for (auto const& call : calls) {
        if (call.starts_with(prefix)) {
            found.push_back(call);
        }
    }
    return found;
}

int CallLog::IndexOf(std::string_view prefix) const {
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].starts_with(prefix)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

::testing::AssertionResult
CallLog::InOrder(std::initializer_list<std::string_view> prefixes) const {
    int previous = -1;
    std::string_view previousPrefix;
    for (auto const prefix : prefixes) {
        auto const at = IndexOf(prefix);
        if (at < 0) {
            return ::testing::AssertionFailure() << "no call \"" << prefix << "\" was made";
        }
        if (at <= previous) {
            return ::testing::AssertionFailure()
                   << "\"" << prefix << "\" came before \"" << previousPrefix << "\"";
        }
        previous = at;
        previousPrefix = prefix;
    }
    return ::testing::AssertionSuccess();
}

std::string Narrow(std::wstring_view text) {
    std::string narrow;
    for (wchar_t c : text) {
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return narrow;
}

} // namespace fakes
