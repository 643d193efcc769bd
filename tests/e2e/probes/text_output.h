#pragma once
// Line output shared by the probes: one record per line, fields separated by
// tabs, UTF-8, so the Python side can split it without guessing encodings.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace probe {

inline std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    int const size = static_cast<int>(text.size());
    int const needed =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), needed, nullptr, nullptr);
    return out;
}

// A title or command line could hold a tab or line break, which would split
// the record; the tests never look for those characters.
inline std::wstring Field(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out) {
        if (c == L'\t' || c == L'\r' || c == L'\n') {
            c = L' ';
        }
    }
    return out;
}

inline std::wstring JoinFields(std::vector<std::wstring> const& fields) {
    std::wstring line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i != 0) {
            line += L'\t';
        }
        line += Field(fields[i]);
    }
    return line;
}

inline bool WriteAll(HANDLE file, std::string const& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

inline void PrintLine(std::vector<std::wstring> const& fields) {
    WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), ToUtf8(JoinFields(fields)) + "\n");
}

inline void PrintMessage(std::wstring_view text) {
    WriteAll(GetStdHandle(STD_ERROR_HANDLE), ToUtf8(text) + "\n");
}

inline void PrintError(std::wstring_view what) {
    PrintMessage(std::wstring(what) + L" failed: " + std::to_wstring(GetLastError()));
}

} // namespace probe
