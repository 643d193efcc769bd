#pragma once
// Byte-level file access. Every open lets other processes read and write the
// same file at the same time, because copies of the program on other
// desktops share one settings file.

#include "platform/types.h"

#include <cstddef>
#include <string>

namespace platform {

struct FileRead {
    bool opened = false;
    ErrorCode error = kSuccess; // why it did not open
    std::string bytes;          // at most the bytes asked for
};

class Files {
  public:
    virtual ~Files() = default;
    // Opens an existing file for reading and reads at most maxBytes from its start.
    virtual FileRead ReadPrefix(std::wstring const& path, std::size_t maxBytes) = 0;
    // Creates or truncates the file and writes the bytes. Returns the error
    // of the open, or of the write.
    virtual ErrorCode Replace(std::wstring const& path, std::string const& bytes) = 0;
    // Opens or creates the file and appends the bytes.
    virtual ErrorCode Append(std::wstring const& path, std::string const& bytes) = 0;
    // CreateDirectoryW with no security attributes; the result is not needed.
    virtual void CreateFolder(std::wstring const& path) = 0;
};

} // namespace platform
