#include "platform/win32/dll_search.h"

#include "platform/win32/native.h"

namespace platform::win32 {

void LoadDllsFromSystemFolderOnly() {
    // Windows 8 has the call; Windows 7 only with update KB2533623.
    using SetDirectories = BOOL WINAPI(DWORD);
    auto* const setDirectories =
        SystemFunction<SetDirectories>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (setDirectories != nullptr && setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return;
    }
    ::SetDllDirectoryW(L"");
}

UniqueHmodule LoadCommonControls() {
    // The manifest picks version 6, which draws the visual styles.
    UniqueHmodule controls(::LoadLibraryW(L"comctl32.dll"));
    using Initialise = void WINAPI();
    if (auto* const initialise = FunctionOf<Initialise>(controls.get(), "InitCommonControls")) {
        initialise();
    }
    return controls;
}

} // namespace platform::win32
