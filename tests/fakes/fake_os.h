#pragma once
// Fakes of every seam interface. They record each call in one shared log and
// can be told to fail with a given error code.

#include "fakes/call_log.h"
#include "platform/dialog.h"
#include "platform/os.h"
#include "platform/window.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fakes {

inline constexpr platform::ErrorCode kFileNotFound = 2;

class FakeDesktops : public platform::Desktops {
  public:
    explicit FakeDesktops(CallLog& log) : log_(log) {}
    platform::DesktopResult Open(std::wstring const& name) override;
    platform::DesktopResult Create(std::wstring const& name) override;
    platform::ErrorCode Grant(platform::DesktopHandle desktop, platform::TokenHandle user) override;
    void Switch(platform::DesktopHandle desktop) override;
    void Close(platform::DesktopHandle desktop) override;

    std::string NameOf(platform::DesktopHandle desktop) const;
    std::set<std::wstring> existing{L"Default"};
    std::map<std::wstring, platform::ErrorCode> openFailures; // beyond "does not exist"
    std::map<std::wstring, platform::ErrorCode> createFailures;
    platform::ErrorCode grantFailure = 0; // for every grant
    // The entries each grant added to a desktop's DACL, by desktop: the
    // token each one is for.
    std::map<std::wstring, std::vector<platform::TokenHandle>> addedEntries;
    int openHandles = 0;

  private:
    platform::DesktopHandle NewHandle(std::wstring const& name);
    CallLog& log_;
    std::map<std::uintptr_t, std::wstring> handles_;
    std::uintptr_t next_ = 0x60;
};

struct FakeProcess {
    std::wstring commandLine;
    std::wstring desktop;
    bool ended = false;
    bool open = true; // its handle
};

class FakeSystem : public platform::System {
  public:
    explicit FakeSystem(CallLog& log) : log_(log) {}
    std::optional<std::wstring> Environment(std::wstring const& name) override;
    std::optional<std::wstring> ModulePath() override;
    platform::ProcessStart StartProcess(std::wstring const& commandLine,
                                        std::wstring const& desktop,
                                        platform::TokenHandle asUser) override;
    bool HasEnded(platform::ProcessHandle process) override;
    void CloseProcess(platform::ProcessHandle process) override;
    std::uint64_t Milliseconds() override { return now; }
    bool IsElevated() override { return elevated; }
    bool ShuttingDown() override { return shuttingDown; }
    platform::ShellToken OpenShellToken() override;
    void CloseToken(platform::TokenHandle token) override;
    void QuietCriticalErrors() override { log_.Add("QuietCriticalErrors"); }
    std::optional<std::wstring> ErrorText(platform::ErrorCode code) override;
    std::wstring LoadString(platform::ResourceId id) override;
    bool LaunchHelp(std::wstring const& helpFile, std::uint32_t context) override;

    std::map<std::wstring, std::wstring> environment{{L"SystemRoot", L"C:\\windows"},
                                                     {L"APPDATA", L"C:\\AppData"}};
    std::optional<std::wstring> modulePath = L"C:\\Program Files\\Quorvane\\Quorvane.exe";
    std::map<std::wstring, platform::ErrorCode> startFailures; // by command line
    bool elevated = false;
    bool shuttingDown = false;
    platform::ShellToken shell{platform::TokenHandle{0x900}, false, true};
    platform::ErrorCode tokenStartFailure = 0; // for every start with a token
    int openTokens = 0;
    std::map<std::uintptr_t, FakeProcess> processes; // every one started, by handle
    int openProcesses = 0;
    std::uint64_t now = 0;
    // Ends every process started on the desktop with a command line that
    // contains `program`, as a crash or Task Manager would.
    void End(std::wstring const& desktop, std::wstring const& program = L"explorer.exe");
    std::map<platform::ErrorCode, std::wstring> errorTexts{
        {5, L"Access is denied.\r\n"},
        {2, L"The system cannot find the file specified.\r\n"},
        {1058, L"The service cannot be started, either because it is disabled or because it has "
               L"no enabled devices associated with it.\r\n"}};
    std::map<platform::ResourceId, std::wstring> strings{{101, L"&About Quorvane..."}};
    bool helpAvailable = false;

  private:
    CallLog& log_;
    std::uintptr_t next_ = 0x2000;
};

class FakeUi : public platform::Ui {
  public:
    explicit FakeUi(CallLog& log) : log_(log) {}
    platform::IconHandle LoadIcon(platform::ResourceId id, platform::IconSize size) override;
    void DestroyIcon(platform::IconHandle icon) override;
    platform::MenuHandle LoadMenu(platform::ResourceId id) override;
    void DestroyMenu(platform::MenuHandle menu) override;
    void SetDefaultItem(platform::MenuHandle menu, int popupIndex, int itemPosition) override;
    bool AppendSeparator(platform::MenuHandle menu) override;
    bool AppendItem(platform::MenuHandle menu, platform::CommandId id,
                    std::wstring const& text) override;
    platform::MessageId RegisterMessage(std::wstring const& name) override;
    unsigned DoubleClickMs() override { return doubleClickMs; }
    int RunModal(platform::Dialog& dialog, platform::WindowHandle owner) override;

    int liveIcons = 0;
    int liveMenus = 0;
    static constexpr platform::MessageId kTaskbarCreated = 0xC0DE;
    unsigned doubleClickMs = 500;
    // Runs inside a nested modal dialog, as messages would arrive there.
    std::function<void()> duringModal;

  private:
    CallLog& log_;
    std::uintptr_t next_ = 0x100;
};

class FakeFiles : public platform::Files {
  public:
    explicit FakeFiles(CallLog& log) : log_(log) {}
    platform::FileRead ReadPrefix(std::wstring const& path, std::size_t maxBytes) override;
    platform::FileOpen OpenForWriting(std::wstring const& path) override;
    platform::ErrorCode WriteAtStart(platform::FileHandle file, std::string const& bytes) override;
    platform::ErrorCode EndHere(platform::FileHandle file) override;
    void Close(platform::FileHandle file) override;
    platform::ErrorCode Append(std::wstring const& path, std::string const& bytes) override;
    void CreateFolder(std::wstring const& path) override;

    std::map<std::wstring, std::string> files;
    std::set<std::wstring> folders;
    std::map<std::wstring, platform::ErrorCode> readFailures;
    std::map<std::wstring, platform::ErrorCode> writeFailures;
    std::size_t largestRead = 0;
    int openFiles = 0;
    // Runs after each step of a write, with the file as it then is on disk.
    std::function<void(std::string const&)> afterWriteStep;

  private:
    void Stepped(std::wstring const& path);
    CallLog& log_;
    std::map<std::uintptr_t, std::wstring> open_;
    std::map<std::uintptr_t, std::size_t> written_;
    std::uintptr_t next_ = 0x700;
};

class FakeRegistry : public platform::Registry {
  public:
    explicit FakeRegistry(CallLog& log) : log_(log) {}
    platform::KeyResult Open(platform::RegistryRoot root, std::wstring const& path,
                             std::uint32_t access) override;
    platform::KeyResult Create(platform::RegistryRoot root, std::wstring const& path,
                               std::uint32_t access) override;
    platform::ValueRead Query(platform::KeyHandle key, std::wstring const& name,
                              std::uint32_t bufferBytes) override;
    platform::ErrorCode SetString(platform::KeyHandle key, std::wstring const& name,
                                  std::wstring const& text) override;
    platform::ErrorCode DeleteValue(platform::KeyHandle key, std::wstring const& name) override;
    void Close(platform::KeyHandle key) override;

    std::map<std::wstring, std::wstring> values; // by value name, in the one key tests use
    bool keyExists = true;
    platform::ErrorCode openFailure = 0;
    platform::ErrorCode writeOpenFailure = 0; // for opens asking for more than reading
    platform::ErrorCode createFailure = 0;
    platform::ErrorCode setFailure = 0;
    platform::ErrorCode deleteFailure = 0;
    int openKeys = 0;

  private:
    CallLog& log_;
};

class FakeTray : public platform::Tray {
  public:
    explicit FakeTray(CallLog& log) : log_(log) {}
    bool Add(platform::NotifyIcon const& icon) override;
    void Delete(platform::NotifyIcon const& icon) override;
    bool SetVersion(platform::NotifyIcon const& icon, std::uint32_t version) override;
    std::optional<platform::Rect> IconRect(platform::NotifyIcon const& icon) override;
    void ReturnFocus(platform::NotifyIcon const& icon) override;

    std::map<std::uint32_t, platform::NotifyIcon> shown;
    std::vector<platform::NotifyIcon> added;
    // A busy shell: this many adds fail; with timedOut the icon is taken all
    // the same, as when the call's time ran out before the shell answered.
    int refuseAdds = 0;
    bool timedOut = false;
    // Where each icon is on the screen; an icon not listed has no rectangle.
    std::map<std::uint32_t, platform::Rect> rects;
    bool refuseVersion = false; // a shell that keeps the first behaviour
    // Runs inside the next add, as messages sent to the window while it
    // waits for the shell would.
    std::function<void()> duringAdd;

  private:
    CallLog& log_;
};

struct MessageBoxCall {
    std::wstring text;
    std::wstring caption;
    unsigned type = 0;
};

class FakeWindow : public platform::Window {
  public:
    explicit FakeWindow(CallLog& log) : log_(log) {}
    platform::WindowHandle Handle() override { return handle; }
    void Show(platform::ShowCommand command) override;
    bool IsMinimised() override { return minimised; }
    void Centre() override { log_.Add("Centre"); }
    void EndDialog(int result) override;
    void SetIcon(platform::IconSize size, platform::IconHandle icon) override;
    void SetTimer(platform::TimerId id, unsigned milliseconds) override;
    void KillTimer(platform::TimerId id) override;
    void TakeMessages(unsigned milliseconds, bool const& stop) override;
    void QuitLoops() override;
    int MessageBox(std::wstring const& text, std::wstring const& caption, unsigned type) override;
    std::unique_ptr<platform::PaintSurface> BeginPaint() override;
    platform::Size IconMetrics() override { return {32, 32}; }
    void ComboAddString(int control, std::wstring const& text) override;
    void ComboSelect(int control, int index) override;
    int ComboSelection(int control) override;
    std::wstring ComboText(int) override { return comboText; }
    bool IsChecked(int control) override { return checked[control]; }
    void SetChecked(int control, bool value) override;
    platform::MenuHandle SystemMenu() override { return systemMenu; }
    platform::Point CursorPosition() override { return cursor; }
    bool IsForeground() override { return foreground; }
    platform::CommandId TrackPopup(platform::MenuHandle menu, int popupIndex, unsigned flags,
                                   platform::Point at) override;

    platform::WindowHandle handle{0x1234};
    bool visible = true;
    bool minimised = false;
    std::optional<int> endResult;
    std::set<platform::TimerId> timers;
    std::vector<MessageBoxCall> boxes;
    // Runs inside the next message box, as messages would arrive there.
    std::function<void()> duringBox;
    // Runs inside the next TakeMessages, as messages would arrive there.
    std::function<void()> duringPause;
    std::vector<std::wstring> comboItems;
    int comboSelection = -1;
    std::wstring comboText; // follows a selection, as the real edit field does
    std::map<int, bool> checked;
    platform::MenuHandle systemMenu{0x77};
    platform::Point cursor{600, 700};
    platform::CommandId menuChoice = 0; // what the user picks in the next popup
    // Runs inside the next popup, as messages would arrive there.
    std::function<void()> duringPopup;
    bool foreground = true; // false: the user left the menu for another window
    platform::Size client{100, 60};

  private:
    CallLog& log_;
};

// Every fake, wired into one Os.
struct FakeOs {
    CallLog log;
    FakeDesktops desktops{log};
    FakeSystem system{log};
    FakeUi ui{log};
    FakeFiles files{log};
    FakeRegistry registry{log};
    FakeTray tray{log};
    FakeWindow window{log};
    platform::Os os{desktops, system, ui, files, registry, tray};
};

} // namespace fakes
