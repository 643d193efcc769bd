#include "platform/win32/native.h"
#include "platform/win32/services.h"
#include "platform/win32/unique_handle.h"

#include <algorithm>

namespace platform::win32 {
namespace {

// Copies of the program on other desktops read and write the same settings
// file at the same time, so no open ever locks anyone out.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The most one ReadFile or WriteFile call is asked to move.
constexpr std::size_t kChunk = 64 * 1024;

// Opening a folder fails with access denied, as FILE_FLAG_BACKUP_SEMANTICS is not set.
HANDLE OpenFile(std::wstring const& path, DWORD access, DWORD disposition) {
    return ::CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

ErrorCode WriteAll(HANDLE file, std::string const& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        auto const chunk = static_cast<DWORD>(std::min(bytes.size() - done, kChunk));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) {
            return ::GetLastError();
        }
        if (written == 0) {
            return ERROR_WRITE_FAULT; // no progress: never spin on a device that takes nothing
        }
        done += written;
    }
    return kSuccess;
}

ErrorCode OpenAndWrite(std::wstring const& path, DWORD access, DWORD disposition,
                       std::string const& bytes) {
    HANDLE const opened = OpenFile(path, access, disposition);
    if (opened == INVALID_HANDLE_VALUE) {
        return ::GetLastError();
    }
    UniqueFile const file(opened);
    return WriteAll(file.get(), bytes);
}

} // namespace

FileRead Win32Files::ReadPrefix(std::wstring const& path, std::size_t maxBytes) {
    HANDLE const opened = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
    if (opened == INVALID_HANDLE_VALUE) {
        return FileRead{false, ::GetLastError(), {}};
    }
    UniqueFile const file(opened);
    FileRead result{true, kSuccess, {}};
    // Grows with what was read, so a large limit on a small file costs nothing.
    while (result.bytes.size() < maxBytes) {
        auto const start = result.bytes.size();
        auto const chunk = std::min(maxBytes - start, kChunk);
        result.bytes.resize(start + chunk);
        DWORD read = 0;
        bool const ok = ::ReadFile(file.get(), result.bytes.data() + start,
                                   static_cast<DWORD>(chunk), &read, nullptr) != FALSE;
        result.bytes.resize(start + (ok ? read : 0));
        if (!ok || read == 0) {
            break; // end of file, or nothing more can be read
        }
    }
    return result;
}

FileOpen Win32Files::OpenForWriting(std::wstring const& path) {
    // OPEN_ALWAYS, unlike CREATE_ALWAYS, neither empties the file nor refuses
    // one marked hidden or system when the attributes asked for differ.
    HANDLE const opened = OpenFile(path, GENERIC_WRITE, OPEN_ALWAYS);
    if (opened == INVALID_HANDLE_VALUE) {
        return FileOpen{FileHandle{}, ::GetLastError()};
    }
    return FileOpen{FromNative<FileHandle>(opened), kSuccess};
}

ErrorCode Win32Files::WriteAtStart(FileHandle file, std::string const& bytes) {
    LARGE_INTEGER const start{};
    if (!::SetFilePointerEx(ToNative(file), start, nullptr, FILE_BEGIN)) {
        return ::GetLastError();
    }
    return WriteAll(ToNative(file), bytes);
}

ErrorCode Win32Files::EndHere(FileHandle file) {
    return ::SetEndOfFile(ToNative(file)) ? kSuccess : ::GetLastError();
}

void Win32Files::Close(FileHandle file) {
    ::CloseHandle(ToNative(file));
}

ErrorCode Win32Files::Append(std::wstring const& path, std::string const& bytes) {
    // Append-only access makes every write land at the current end of the file.
    return OpenAndWrite(path, FILE_APPEND_DATA, OPEN_ALWAYS, bytes);
}

void Win32Files::CreateFolder(std::wstring const& path) {
    ::CreateDirectoryW(path.c_str(), nullptr);
}

} // namespace platform::win32
