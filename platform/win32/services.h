#pragma once
// The Windows implementations of the process-wide seam interfaces. Each is a
// thin layer over the Win32 calls its interface names; none keeps state.

#include "platform/desktops.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/tray.h"

namespace platform::win32 {

class Win32Desktops final : public platform::Desktops {
  public:
    DesktopResult Open(std::wstring const& name) override;
    DesktopResult Create(std::wstring const& name) override;
    ErrorCode Grant(DesktopHandle desktop, TokenHandle user) override;
    void Switch(DesktopHandle desktop) override;
    void Close(DesktopHandle desktop) override;
};

class Win32System final : public platform::System {
  public:
    std::optional<std::wstring> Environment(std::wstring const& name) override;
    std::optional<std::wstring> ModulePath() override;
    ProcessStart StartProcess(std::wstring const& commandLine, std::wstring const& desktop,
                              TokenHandle asUser) override;
    bool HasEnded(ProcessHandle process) override;
    void CloseProcess(ProcessHandle process) override;
    std::uint64_t Milliseconds() override;
    bool IsElevated() override; // in shell_token.cpp
    bool ShuttingDown() override;
    ShellToken OpenShellToken() override;
    void CloseToken(TokenHandle token) override;
    void QuietCriticalErrors() override;
    std::optional<std::wstring> ErrorText(ErrorCode code) override;
    std::wstring LoadString(ResourceId id) override;
    bool LaunchHelp(std::wstring const& helpFile, std::uint32_t context) override;
};

class Win32Ui final : public platform::Ui {
  public:
    IconHandle LoadIcon(ResourceId id, IconSize size) override;
    void DestroyIcon(IconHandle icon) override;
    MenuHandle LoadMenu(ResourceId id) override;
    void DestroyMenu(MenuHandle menu) override;
    void SetDefaultItem(MenuHandle menu, int popupIndex, int itemPosition) override;
    bool AppendSeparator(MenuHandle menu) override;
    bool AppendItem(MenuHandle menu, CommandId id, std::wstring const& text) override;
    MessageId RegisterMessage(std::wstring const& name) override;
    unsigned DoubleClickMs() override;
    int RunModal(Dialog& dialog, WindowHandle owner) override;
};

class Win32Files final : public platform::Files {
  public:
    FileRead ReadPrefix(std::wstring const& path, std::size_t maxBytes) override;
    FileOpen OpenForWriting(std::wstring const& path) override;
    ErrorCode WriteAtStart(FileHandle file, std::string const& bytes) override;
    ErrorCode EndHere(FileHandle file) override;
    void Close(FileHandle file) override;
    ErrorCode Append(std::wstring const& path, std::string const& bytes) override;
    void CreateFolder(std::wstring const& path) override;
};

class Win32Registry final : public platform::Registry {
  public:
    KeyResult Open(RegistryRoot root, std::wstring const& path, std::uint32_t access) override;
    KeyResult Create(RegistryRoot root, std::wstring const& path, std::uint32_t access) override;
    ValueRead Query(KeyHandle key, std::wstring const& name, std::uint32_t bufferBytes) override;
    ErrorCode SetString(KeyHandle key, std::wstring const& name, std::wstring const& text) override;
    ErrorCode DeleteValue(KeyHandle key, std::wstring const& name) override;
    void Close(KeyHandle key) override;
};

class Win32Tray final : public platform::Tray {
  public:
    bool Add(NotifyIcon const& icon) override;
    void Delete(NotifyIcon const& icon) override;
    bool SetVersion(NotifyIcon const& icon, std::uint32_t version) override;
    std::optional<Rect> IconRect(NotifyIcon const& icon) override;
    void ReturnFocus(NotifyIcon const& icon) override;
};

} // namespace platform::win32
