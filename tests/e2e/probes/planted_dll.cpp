// Stands in for a DLL that someone left beside a program, under a system
// DLL's name. When a process loads it, it appends one line to
// "<own path>.log": the full path of that process's program. It exports
// nothing, so a program that really uses it fails soon after.

#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <string>

namespace {

constexpr DWORD kMaxPath = 32768;

std::wstring ModulePath(HMODULE module) {
    std::wstring path(kMaxPath, L'\0');
    path.resize(GetModuleFileNameW(module, path.data(), kMaxPath));
    return path;
}

void RecordLoad(HMODULE self) {
    probe::UniqueHandle const log = probe::Adopt(CreateFileW(
        (ModulePath(self) + L".log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (log) {
        probe::WriteAll(log.get(), probe::ToUtf8(probe::Field(ModulePath(nullptr))) + "\n");
    }
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        RecordLoad(self);
    }
    return TRUE;
}
