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

std::string Narrow(std::wstring_view text) {
    std::string narrow;
    for (wchar_t c : text) {
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return narrow;
}

} // namespace fakes
