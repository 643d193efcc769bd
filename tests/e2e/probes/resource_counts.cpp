// Counts what one process holds, by ways that work from outside it under
// Wine as well as on Windows, without running code inside it:
//   resource_counts.exe PID
// prints one "WHAT<TAB>NUMBER" line each (NUMBER "-" when it cannot be
// measured):
//   handles         kernel handles, from the system's handle list
//   gdi_objects     GDI objects, from the process's GDI handle table
//   windows         its windows on every desktop, children included
//   handles_api     GetProcessHandleCount
//   gdi_api, user_api   GetGuiResources
// The first two methods are checked on the probe itself first (it makes a
// few objects and sees whether the count follows); a method that fails that
// check prints "-" rather than a number nobody should trust. Wine 8 answers
// the last three with 0 for other processes.

#include "remote_memory.h"
#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>
#include <winternl.h>

#include <cwchar>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kArgumentCount = 2;
constexpr int kAutoBase = 0;
constexpr int kCheckObjects = 8;
constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
constexpr ULONG kFirstHandleBuffer = 1 << 16;
constexpr int kBufferAttempts = 8;
// Where the PEB keeps the address of the GDI handle table (it moves with the
// width of the pointers before it), and the table's shape: 65536 entries of
// 24 bytes, an entry's object type in byte 14 (0 for a free entry).
#if defined(_WIN64)
constexpr std::size_t kPebGdiTableOffset = 0xF8;
#else
constexpr std::size_t kPebGdiTableOffset = 0x94;
#endif
constexpr std::size_t kGdiEntries = 0x10000;
constexpr std::size_t kGdiEntryBytes = 24;
constexpr std::size_t kGdiTypeByte = 14;

// One entry of the system's handle list as Wine fills it in. Windows splits
// the first field into a 16-bit process id and a back-trace index; the
// self-check would then fail and the figure be left out.
struct HandleEntry {
    ULONG owner_pid;
    BYTE object_type;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
};

// The list: a count, then the entries, which a 64-bit build aligns to 8.
struct HandleList {
    ULONG count;
    HandleEntry entries[1];
};

using Counter = std::function<std::optional<std::size_t>(DWORD pid, HANDLE process)>;

std::optional<std::size_t> KernelHandles(DWORD pid, HANDLE) {
    ULONG size = kFirstHandleBuffer;
    for (int attempt = 0; attempt < kBufferAttempts; ++attempt, size *= 2) {
        std::vector<BYTE> buffer(size);
        ULONG needed = 0;
        NTSTATUS const status =
            NtQuerySystemInformation(kSystemHandleInformation, buffer.data(), size, &needed);
        if (status == kInfoLengthMismatch) {
            continue;
        }
        if (status != 0) {
            return std::nullopt;
        }
        ULONG const total = *reinterpret_cast<ULONG const*>(buffer.data());
        auto const* entries =
            reinterpret_cast<HandleEntry const*>(buffer.data() + offsetof(HandleList, entries));
        std::size_t count = 0;
        for (ULONG i = 0; i < total; ++i) {
            count += entries[i].owner_pid == pid;
        }
        return count;
    }
    return std::nullopt;
}

std::optional<std::size_t> GdiObjects(DWORD, HANDLE process) {
    void const* table = nullptr;
    if (!probe::ReadPebPointer(process, kPebGdiTableOffset, table) || table == nullptr) {
        return std::nullopt;
    }
    std::vector<BYTE> entries(kGdiEntries * kGdiEntryBytes);
    if (!probe::ReadRemoteBytes(process, table, entries.data(), entries.size())) {
        return std::nullopt;
    }
    std::size_t count = 0;
    for (std::size_t i = 0; i < kGdiEntries; ++i) {
        count += entries[i * kGdiEntryBytes + kGdiTypeByte] != 0;
    }
    return count;
}

// Makes kCheckObjects objects of its own and sees whether `counter`, used on
// itself, goes up by exactly that many.
template <class Make, class Free> bool Follows(Counter const& counter, Make make, Free free) {
    DWORD const pid = GetCurrentProcessId();
    HANDLE const self = GetCurrentProcess();
    auto const before = counter(pid, self);
    std::vector<decltype(make())> made;
    for (int i = 0; i < kCheckObjects; ++i) {
        made.push_back(make());
    }
    auto const after = counter(pid, self);
    for (auto const object : made) {
        free(object);
    }
    return before && after && *after == *before + kCheckObjects;
}

bool KernelHandlesFollow() {
    return Follows(
        KernelHandles, [] { return CreateEventW(nullptr, TRUE, FALSE, nullptr); },
        [](HANDLE event) { CloseHandle(event); });
}

bool GdiObjectsFollow() {
    return Follows(
        GdiObjects, [] { return CreateSolidBrush(RGB(1, 2, 3)); },
        [](HBRUSH brush) { DeleteObject(brush); });
}

struct WindowSearch {
    DWORD pid;
    std::size_t count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM search_address) {
    auto& search = *reinterpret_cast<WindowSearch*>(search_address);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    search.count += pid == search.pid;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM search_address) {
    CountChild(window, search_address);
    EnumChildWindows(window, CountChild, search_address);
    return TRUE;
}

BOOL CALLBACK CountOnDesktop(LPWSTR name, LPARAM search_address) {
    probe::UniqueDesktop const desktop(
        OpenDesktopW(name, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE));
    if (desktop) {
        EnumDesktopWindows(desktop.get(), CountTopLevel, search_address);
    }
    return TRUE;
}

std::size_t Windows(DWORD pid) {
    WindowSearch search{pid, 0};
    EnumDesktopsW(GetProcessWindowStation(), CountOnDesktop, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

void Print(wchar_t const* what, std::optional<std::size_t> value) {
    probe::PrintLine({what, value ? std::to_wstring(*value) : L"-"});
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != kArgumentCount) {
        probe::PrintMessage(L"usage: resource_counts PID");
        return 2;
    }
    auto const pid = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, kAutoBase));
    probe::UniqueHandle const process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) {
        probe::PrintError(L"OpenProcess");
        return 1;
    }
    Print(L"handles", KernelHandlesFollow() ? KernelHandles(pid, process.get()) : std::nullopt);
    Print(L"gdi_objects", GdiObjectsFollow() ? GdiObjects(pid, process.get()) : std::nullopt);
    Print(L"windows", Windows(pid));
    DWORD handles = 0;
    Print(L"handles_api", GetProcessHandleCount(process.get(), &handles)
                              ? std::optional<std::size_t>(handles)
                              : std::nullopt);
    Print(L"gdi_api", GetGuiResources(process.get(), GR_GDIOBJECTS));
    Print(L"user_api", GetGuiResources(process.get(), GR_USEROBJECTS));
    return 0;
}
