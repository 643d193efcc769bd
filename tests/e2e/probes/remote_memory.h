#pragma once
// Reading another process's memory without running anything inside it: its
// process environment block, the start parameters hanging off it, and plain
// byte ranges. A probe is always as wide as the processes it looks at, so
// the layouts need only be those of its own width.

#include "unique_handles.h"

#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <vector>

namespace probe {

// The documented header hides the fields after the command line; this is the
// layout up to the environment pointer (the same on 32-bit Windows and Wine).
struct RemoteProcessParameters {
    BYTE reserved1[16];
    PVOID reserved2[10];
    UNICODE_STRING image_path;
    UNICODE_STRING command_line;
    PVOID environment;
};

constexpr std::size_t kPageBytes = 4096;

inline bool ReadRemoteBytes(HANDLE process, void const* address, void* buffer, std::size_t size) {
    SIZE_T read = 0;
    return ReadProcessMemory(process, address, buffer, size, &read) && read == size;
}

template <class T> bool ReadRemote(HANDLE process, void const* address, T& value) {
    return ReadRemoteBytes(process, address, &value, sizeof(value));
}

// Null when the process cannot be asked.
inline void const* PebAddress(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic{};
    ULONG size = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), &size) !=
        0) {
        return nullptr;
    }
    return basic.PebBaseAddress;
}

// The pointer stored at byte offset `offset` of the process's PEB.
inline bool ReadPebPointer(HANDLE process, std::size_t offset, void const*& value) {
    auto const* peb = static_cast<BYTE const*>(PebAddress(process));
    PVOID pointer = nullptr;
    if (peb == nullptr || !ReadRemote(process, peb + offset, pointer)) {
        return false;
    }
    value = pointer;
    return true;
}

inline bool ReadParameters(HANDLE process, RemoteProcessParameters& parameters) {
    auto const* peb = static_cast<PEB const*>(PebAddress(process));
    PEB copy{};
    return peb != nullptr && ReadRemote(process, peb, copy) &&
           ReadRemote(process, copy.ProcessParameters, parameters);
}

// The environment block: NAME=VALUE strings, each ending in a null, and an
// empty one at the end. Read a page at a time, since the page after the
// block's last one need not exist.
inline std::vector<wchar_t> ReadEnvironmentBlock(HANDLE process) {
    RemoteProcessParameters parameters{};
    std::vector<wchar_t> block;
    if (!ReadParameters(process, parameters) || parameters.environment == nullptr) {
        return block;
    }
    auto address = reinterpret_cast<UINT_PTR>(parameters.environment);
    bool previous_was_null = false;
    while (true) {
        std::size_t const bytes = kPageBytes - address % kPageBytes;
        std::vector<wchar_t> chunk(bytes / sizeof(wchar_t));
        if (!ReadRemoteBytes(process, reinterpret_cast<void const*>(address), chunk.data(),
                             chunk.size() * sizeof(wchar_t))) {
            return {};
        }
        for (wchar_t const c : chunk) {
            block.push_back(c);
            if (c == L'\0' && previous_was_null) {
                return block;
            }
            previous_was_null = c == L'\0';
        }
        address += bytes;
    }
}

} // namespace probe
