// Ends a process at once, the way a crash or Task Manager's "End task"
// would: no window messages, no clean-up of its own.
//   end_process.exe PID

#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <cwchar>

namespace {

constexpr int kArgumentCount = 2;
constexpr int kAutoBase = 0;
constexpr UINT kExitCode = 1;
constexpr DWORD kExitTimeoutMs = 10000;

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != kArgumentCount) {
        probe::PrintMessage(L"usage: end_process PID");
        return 2;
    }
    auto const pid = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, kAutoBase));
    probe::UniqueHandle const process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process || !TerminateProcess(process.get(), kExitCode) ||
        WaitForSingleObject(process.get(), kExitTimeoutMs) != WAIT_OBJECT_0) {
        probe::PrintError(L"ending the process");
        return 1;
    }
    return 0;
}
