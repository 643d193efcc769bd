// Starts a program with a changed environment, as a parent process that
// clears or sets variables would, and shows what reached the new process.
//   launch_with_env.exe [--unset NAME | --set NAME VALUE | --long NAME LENGTH]... COMMAND_LINE
// --long gives NAME a made-up path of LENGTH characters, more than a command
// line can carry. Prints "pid<TAB>ID", then, once the program waits for
// input, "NAME<TAB>LENGTH" (or "NAME<TAB>unset") per variable named, read
// from the started process's own environment block.
// Wine fills in the environment itself when a process starts from Unix; a
// process started from a Windows one gets the block it was given, except
// that Wine sets a few variables, SystemRoot among them, again in every
// process.

#include "remote_memory.h"
#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <cwchar>
#include <cwctype>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr DWORD kInputIdleTimeoutMs = 20000;
constexpr int kDecimal = 10;
constexpr wchar_t kUnsetOption[] = L"--unset";
constexpr wchar_t kSetOption[] = L"--set";
constexpr wchar_t kLongOption[] = L"--long";
constexpr wchar_t kLongValueStart[] = L"C:\\long";
// Each folder name stays well under the longest name a file system takes.
constexpr std::size_t kFolderNameLength = 60;

struct Change {
    std::wstring name;
    std::optional<std::wstring> value; // nothing: remove the variable
};

struct Request {
    std::vector<Change> changes;
    std::wstring command_line;
};

std::wstring LongValue(std::size_t length) {
    std::wstring value = kLongValueStart;
    while (value.size() < length) {
        value += L'\\';
        value.append(kFolderNameLength, L'd');
    }
    value.resize(length);
    return value;
}

std::optional<Request> ParseArguments(int argc, wchar_t** argv) {
    Request request;
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        std::wstring const option = argv[i];
        if (option == kUnsetOption) {
            request.changes.push_back({argv[i + 1], std::nullopt});
        } else if (option == kSetOption && i + 2 < argc) {
            request.changes.push_back({argv[i + 1], argv[i + 2]});
            ++i;
        } else if (option == kLongOption && i + 2 < argc) {
            request.changes.push_back(
                {argv[i + 1], LongValue(std::wcstoul(argv[i + 2], nullptr, kDecimal))});
            ++i;
        } else {
            break;
        }
    }
    if (i != argc - 1) {
        return std::nullopt;
    }
    request.command_line = argv[i];
    return request;
}

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return text;
}

// The name of a NAME=VALUE entry. Entries like "=C:=C:\" start with "=",
// which is part of their name.
std::wstring NameOf(std::wstring const& entry) {
    std::size_t const equals = entry.find(L'=', 1);
    return Upper(entry.substr(0, equals));
}

std::vector<std::wstring> Entries(wchar_t const* block) {
    std::vector<std::wstring> entries;
    for (wchar_t const* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
        entries.emplace_back(entry);
    }
    return entries;
}

bool IsChanged(std::wstring const& entry, std::vector<Change> const& changes) {
    for (Change const& change : changes) {
        if (NameOf(entry) == Upper(change.name)) {
            return true;
        }
    }
    return false;
}

std::vector<wchar_t> ChangedBlock(std::vector<Change> const& changes) {
    wchar_t* const own = GetEnvironmentStringsW();
    std::vector<wchar_t> block;
    for (std::wstring const& entry : Entries(own)) {
        if (!IsChanged(entry, changes)) {
            block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
        }
    }
    FreeEnvironmentStringsW(own);
    for (Change const& change : changes) {
        if (change.value) {
            std::wstring const entry = change.name + L"=" + *change.value;
            block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
        }
    }
    block.push_back(L'\0');
    return block;
}

void PrintWhatArrived(HANDLE process, std::vector<Change> const& changes) {
    std::vector<wchar_t> const block = probe::ReadEnvironmentBlock(process);
    if (block.empty()) {
        probe::PrintError(L"reading the started process's environment");
        return;
    }
    std::vector<std::wstring> const entries = Entries(block.data());
    for (Change const& change : changes) {
        std::wstring length = L"unset";
        for (std::wstring const& entry : entries) {
            if (NameOf(entry) == Upper(change.name)) {
                length = std::to_wstring(entry.size() - change.name.size() - 1);
            }
        }
        probe::PrintLine({change.name, length});
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::optional<Request> const request = ParseArguments(argc, argv);
    if (!request) {
        probe::PrintMessage(
            L"usage: launch_with_env [--unset NAME | --set NAME VALUE | --long NAME LENGTH]... "
            L"COMMAND_LINE");
        return 2;
    }
    std::vector<wchar_t> environment = ChangedBlock(request->changes);
    std::vector<wchar_t> command(request->command_line.begin(), request->command_line.end());
    command.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup,
                        &started)) {
        probe::PrintError(L"CreateProcessW");
        return 1;
    }
    probe::UniqueHandle const process(started.hProcess);
    probe::UniqueHandle const thread(started.hThread);
    probe::PrintLine({L"pid", std::to_wstring(started.dwProcessId)});
    WaitForInputIdle(process.get(), kInputIdleTimeoutMs);
    PrintWhatArrived(process.get(), request->changes);
    return 0;
}
