// Loads a DLL by name, searching the way a program beside it would, and
// prints the full path of the module it got:
//   load_library.exe NAME
// Copied beside a planted DLL, it shows that the plant is found there.

#include "text_output.h"

#include <windows.h>

#include <string>

namespace {

constexpr DWORD kMaxPath = 32768;
constexpr int kArgumentCount = 2;

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != kArgumentCount) {
        probe::PrintMessage(L"usage: load_library.exe NAME");
        return 2;
    }
    HMODULE const module = LoadLibraryW(argv[1]);
    if (module == nullptr) {
        probe::PrintError(L"LoadLibraryW");
        return 1;
    }
    std::wstring path(kMaxPath, L'\0');
    path.resize(GetModuleFileNameW(module, path.data(), kMaxPath));
    FreeLibrary(module);
    probe::PrintLine({path});
    return 0;
}
