#pragma once
// The byte layout of the C runtime's text-mode streams, which the settings
// file and the failure log have always used on disk. Other copies of the
// program, and files written by earlier versions, rely on these bytes.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// What a text-mode write of the text puts on disk: each line feed becomes
// CR LF, and characters outside ASCII, which the program never writes, become '?'.
std::string EncodeTextMode(std::wstring_view text);

// What a text-mode line read returns from the start of the file: CR LF reads
// as LF, a Ctrl+Z ends the file, and the line ends after its line feed or
// after maxChars characters, whichever comes first.
std::string DecodeFirstLine(std::string_view bytes, std::size_t maxChars);

} // namespace platform
