#pragma once
// Byte-level file access. Every open lets other processes read and write the
// same file at the same time, because copies of the program on other
// desktops share one settings file.

#include "platform/types.h"
#include "platform/unique.h"

#include <cstddef>
#include <string>

namespace platform {

using FileHandle = Handle<struct FileTag>;

struct FileOpen {
    FileHandle file; // zero on failure
    ErrorCode error = kSuccess;
};

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
    // Opens the file for writing, creating it when missing, without cutting
    // it short; its attributes (hidden, system) are left as they are.
    virtual FileOpen OpenForWriting(std::wstring const& path) = 0;
    // Writes all the bytes from the start of the file on.
    virtual ErrorCode WriteAtStart(FileHandle file, std::string const& bytes) = 0;
    // Ends the file where the last write ended.
    virtual ErrorCode EndHere(FileHandle file) = 0;
    virtual void Close(FileHandle file) = 0;
    // Opens or creates the file and appends the bytes.
    virtual ErrorCode Append(std::wstring const& path, std::string const& bytes) = 0;
    // CreateDirectoryW with no security attributes; the result is not needed.
    virtual void CreateFolder(std::wstring const& path) = 0;
};

using UniqueFile = Unique<FileHandle, Files, &Files::Close>;

} // namespace platform
