#include "fakes/fake_os.h"

#include <algorithm>
#include <utility>

namespace fakes {
namespace {

std::string Hex(std::uint32_t value) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xFu]);
        value >>= 4;
    } while (value != 0);
    return "0x" + text;
}

} // namespace

// Desktops

platform::DesktopHandle FakeDesktops::NewHandle(std::wstring const& name) {
    next_ += 4;
    handles_[next_] = name;
    ++openHandles;
    return platform::DesktopHandle{next_};
}

platform::DesktopResult FakeDesktops::Open(std::wstring const& name) {
    log_.Add("OpenDesktop " + Narrow(name));
    if (auto failure = openFailures.find(name); failure != openFailures.end()) {
        return {{}, failure->second};
    }
    if (!existing.contains(name)) {
        return {{}, kFileNotFound};
    }
    return {NewHandle(name), 0};
}

platform::DesktopResult FakeDesktops::Create(std::wstring const& name) {
    log_.Add("CreateDesktop " + Narrow(name));
    if (auto failure = createFailures.find(name); failure != createFailures.end()) {
        return {{}, failure->second};
    }
    existing.insert(name);
    return {NewHandle(name), 0};
}

platform::ErrorCode FakeDesktops::Grant(platform::DesktopHandle desktop,
                                        platform::TokenHandle user) {
    log_.Add("GrantDesktop " + NameOf(desktop) + " to " +
             Hex(static_cast<std::uint32_t>(user.value)));
    if (grantFailure != 0) {
        return grantFailure;
    }
    addedEntries[handles_.at(desktop.value)].push_back(user);
    return 0;
}

void FakeDesktops::Switch(platform::DesktopHandle desktop) {
    log_.Add("SwitchDesktop " + NameOf(desktop));
}

void FakeDesktops::Close(platform::DesktopHandle desktop) {
    log_.Add("CloseDesktop " + NameOf(desktop));
    handles_.erase(desktop.value);
    --openHandles;
}

std::string FakeDesktops::NameOf(platform::DesktopHandle desktop) const {
    auto found = handles_.find(desktop.value);
    return found == handles_.end() ? "?" : Narrow(found->second);
}

// System

std::optional<std::wstring> FakeSystem::Environment(std::wstring const& name) {
    auto found = environment.find(name);
    return found == environment.end() ? std::nullopt : std::optional(found->second);
}

std::optional<std::wstring> FakeSystem::ModulePath() {
    return modulePath;
}

platform::ProcessStart FakeSystem::StartProcess(std::wstring const& commandLine,
                                                std::wstring const& desktop,
                                                platform::TokenHandle asUser) {
    log_.Add("StartProcess " + Narrow(commandLine) + " @ " + Narrow(desktop) +
             (asUser ? " as " + Hex(static_cast<std::uint32_t>(asUser.value)) : ""));
    if (asUser && tokenStartFailure != 0) {
        return {{}, tokenStartFailure};
    }
    if (auto failure = startFailures.find(commandLine); failure != startFailures.end()) {
        return {{}, failure->second};
    }
    next_ += 4;
    processes[next_] = {commandLine, desktop};
    ++openProcesses;
    return {platform::ProcessHandle{next_}, 0};
}

bool FakeSystem::HasEnded(platform::ProcessHandle process) {
    auto const& found = processes.at(process.value);
    EXPECT_TRUE(found.open) << "a closed process handle was asked about";
    return found.ended;
}

void FakeSystem::CloseProcess(platform::ProcessHandle process) {
    auto& found = processes.at(process.value);
    EXPECT_TRUE(found.open) << "a process handle was closed twice";
    found.open = false;
    --openProcesses;
}

void FakeSystem::End(std::wstring const& desktop, std::wstring const& program) {
    for (auto& [handle, process] : processes) {
        if (process.desktop == desktop && process.commandLine.find(program) != std::wstring::npos) {
            process.ended = true;
        }
    }
}

platform::ShellToken FakeSystem::OpenShellToken() {
    log_.Add("OpenShellToken");
    if (shell.token) {
        ++openTokens;
    }
    return shell;
}

void FakeSystem::CloseToken(platform::TokenHandle token) {
    log_.Add("CloseToken " + Hex(static_cast<std::uint32_t>(token.value)));
    --openTokens;
}

std::optional<std::wstring> FakeSystem::ErrorText(platform::ErrorCode code) {
    auto found = errorTexts.find(code);
    return found == errorTexts.end() ? std::nullopt : std::optional(found->second);
}

std::wstring FakeSystem::LoadString(platform::ResourceId id) {
    auto found = strings.find(id);
    return found == strings.end() ? std::wstring() : found->second;
}

bool FakeSystem::LaunchHelp(std::wstring const& helpFile, std::uint32_t context) {
    log_.Add("LaunchHelp " + Narrow(helpFile) + " " + Hex(context));
    return helpAvailable;
}

// Ui

platform::IconHandle FakeUi::LoadIcon(platform::ResourceId id, platform::IconSize size) {
    log_.Add("LoadIcon " + std::to_string(id) +
             (size == platform::IconSize::Small ? " small" : " large"));
    ++liveIcons;
    return platform::IconHandle{++next_};
}

void FakeUi::DestroyIcon(platform::IconHandle) {
    --liveIcons;
}

platform::MenuHandle FakeUi::LoadMenu(platform::ResourceId id) {
    log_.Add("LoadMenu " + std::to_string(id));
    ++liveMenus;
    return platform::MenuHandle{++next_};
}

void FakeUi::DestroyMenu(platform::MenuHandle) {
    --liveMenus;
}

void FakeUi::SetDefaultItem(platform::MenuHandle, int popupIndex, int itemPosition) {
    log_.Add("SetDefaultItem " + std::to_string(popupIndex) + " " + std::to_string(itemPosition));
}

bool FakeUi::AppendSeparator(platform::MenuHandle menu) {
    log_.Add("AppendSeparator " + Hex(static_cast<std::uint32_t>(menu.value)));
    return true;
}

bool FakeUi::AppendItem(platform::MenuHandle menu, platform::CommandId id,
                        std::wstring const& text) {
    log_.Add("AppendItem " + Hex(static_cast<std::uint32_t>(menu.value)) + " " + Hex(id) + " " +
             Narrow(text));
    return true;
}

platform::MessageId FakeUi::RegisterMessage(std::wstring const& name) {
    return name == L"TaskbarCreated" ? kTaskbarCreated : 0;
}

int FakeUi::RunModal(platform::Dialog& dialog, platform::WindowHandle owner) {
    log_.Add("RunModal " + std::to_string(dialog.TemplateId()) + " owner " +
             Hex(static_cast<std::uint32_t>(owner.value)));
    if (duringModal) {
        duringModal();
    }
    return platform::kDialogResultOk;
}

// Files

platform::FileRead FakeFiles::ReadPrefix(std::wstring const& path, std::size_t maxBytes) {
    log_.Add("ReadFile " + Narrow(path));
    largestRead = std::max(largestRead, maxBytes);
    if (auto failure = readFailures.find(path); failure != readFailures.end()) {
        return {false, failure->second, {}};
    }
    auto found = files.find(path);
    if (found == files.end()) {
        return {false, kFileNotFound, {}};
    }
    return {true, 0, found->second.substr(0, maxBytes)};
}

platform::FileOpen FakeFiles::OpenForWriting(std::wstring const& path) {
    log_.Add("WriteFile " + Narrow(path));
    if (auto failure = writeFailures.find(path); failure != writeFailures.end()) {
        return {{}, failure->second};
    }
    files[path]; // created empty when missing, kept as it is otherwise
    ++openFiles;
    open_[next_] = path;
    return {platform::FileHandle{next_++}, 0};
}

platform::ErrorCode FakeFiles::WriteAtStart(platform::FileHandle file, std::string const& bytes) {
    auto const& path = open_.at(file.value);
    auto& content = files[path];
    content.replace(0, std::min(content.size(), bytes.size()), bytes);
    written_[file.value] = bytes.size();
    Stepped(path);
    return 0;
}

platform::ErrorCode FakeFiles::EndHere(platform::FileHandle file) {
    auto const& path = open_.at(file.value);
    files[path].resize(written_[file.value]);
    Stepped(path);
    return 0;
}

void FakeFiles::Close(platform::FileHandle file) {
    open_.erase(file.value);
    written_.erase(file.value);
    --openFiles;
}

void FakeFiles::Stepped(std::wstring const& path) {
    if (afterWriteStep) {
        afterWriteStep(files[path]);
    }
}

platform::ErrorCode FakeFiles::Append(std::wstring const& path, std::string const& bytes) {
    log_.Add("AppendFile " + Narrow(path));
    if (auto failure = writeFailures.find(path); failure != writeFailures.end()) {
        return failure->second;
    }
    files[path] += bytes;
    return 0;
}

void FakeFiles::CreateFolder(std::wstring const& path) {
    log_.Add("CreateFolder " + Narrow(path));
    folders.insert(path);
}

// Registry

platform::KeyResult FakeRegistry::Open(platform::RegistryRoot root, std::wstring const& path,
                                       std::uint32_t access) {
    log_.Add(std::string("OpenKey ") +
             (root == platform::RegistryRoot::LocalMachine ? "HKLM\\" : "HKCU\\") + Narrow(path) +
             " " + Hex(access));
    if (openFailure != 0) {
        return {{}, openFailure};
    }
    if (writeOpenFailure != 0 && access != platform::kKeyRead) {
        return {{}, writeOpenFailure};
    }
    if (!keyExists) {
        return {{}, kFileNotFound};
    }
    ++openKeys;
    return {platform::KeyHandle{0x500}, 0};
}

platform::KeyResult FakeRegistry::Create(platform::RegistryRoot root, std::wstring const& path,
                                         std::uint32_t access) {
    log_.Add(std::string("CreateKey ") +
             (root == platform::RegistryRoot::LocalMachine ? "HKLM\\" : "HKCU\\") + Narrow(path) +
             " " + Hex(access));
    if (createFailure != 0) {
        return {{}, createFailure};
    }
    keyExists = true;
    ++openKeys;
    return {platform::KeyHandle{0x500}, 0};
}

platform::ValueRead FakeRegistry::Query(platform::KeyHandle, std::wstring const& name,
                                        std::uint32_t bufferBytes) {
    log_.Add("QueryValue " + Narrow(name) + " " + std::to_string(bufferBytes));
    auto found = values.find(name);
    if (found == values.end()) {
        return {kFileNotFound, {}};
    }
    auto const bytes = 2 * (found->second.size() + 1);
    if (bytes > bufferBytes) {
        return {platform::kErrorMoreData, {}};
    }
    return {0, found->second};
}

platform::ErrorCode FakeRegistry::SetString(platform::KeyHandle, std::wstring const& name,
                                            std::wstring const& text) {
    log_.Add("SetValue " + Narrow(name) + " " + Narrow(text));
    if (setFailure != 0) {
        return setFailure;
    }
    values[name] = text;
    return 0;
}

platform::ErrorCode FakeRegistry::DeleteValue(platform::KeyHandle, std::wstring const& name) {
    log_.Add("DeleteValue " + Narrow(name));
    if (deleteFailure != 0) {
        return deleteFailure;
    }
    return values.erase(name) == 1 ? 0 : kFileNotFound;
}

void FakeRegistry::Close(platform::KeyHandle) {
    log_.Add("CloseKey");
    --openKeys;
}

// Tray

bool FakeTray::Add(platform::NotifyIcon const& icon) {
    log_.Add("TrayAdd " + std::to_string(icon.id));
    if (auto const inside = std::exchange(duringAdd, nullptr)) {
        inside();
    }
    if (refuseAdds > 0) {
        --refuseAdds;
        if (timedOut) {
            shown.emplace(icon.id, icon);
        }
        return false;
    }
    // The shell refuses a second icon with the same window and id.
    if (!shown.emplace(icon.id, icon).second) {
        return false;
    }
    added.push_back(icon);
    return true;
}

void FakeTray::Delete(platform::NotifyIcon const& icon) {
    log_.Add("TrayDelete " + std::to_string(icon.id));
    shown.erase(icon.id);
}

bool FakeTray::SetVersion(platform::NotifyIcon const& icon, std::uint32_t version) {
    log_.Add("TraySetVersion " + std::to_string(icon.id) + " " + std::to_string(version));
    return !refuseVersion && shown.count(icon.id) != 0;
}

std::optional<platform::Rect> FakeTray::IconRect(platform::NotifyIcon const& icon) {
    auto const found = rects.find(icon.id);
    return found == rects.end() ? std::nullopt : std::optional(found->second);
}

void FakeTray::ReturnFocus(platform::NotifyIcon const& icon) {
    log_.Add("TrayFocus " + std::to_string(icon.id));
}

// Window

void FakeWindow::Show(platform::ShowCommand command) {
    visible = command == platform::ShowCommand::Show;
    log_.Add(visible ? "Show" : "Hide");
}

void FakeWindow::EndDialog(int result) {
    log_.Add("EndDialog " + std::to_string(result));
    endResult = result;
}

void FakeWindow::SetIcon(platform::IconSize size, platform::IconHandle) {
    log_.Add(size == platform::IconSize::Large ? "SetIcon large" : "SetIcon small");
}

void FakeWindow::SetTimer(platform::TimerId id, unsigned milliseconds) {
    log_.Add("SetTimer " + Hex(static_cast<std::uint32_t>(id)) + " " +
             std::to_string(milliseconds));
    timers.insert(id);
}

void FakeWindow::KillTimer(platform::TimerId id) {
    log_.Add("KillTimer " + Hex(static_cast<std::uint32_t>(id)));
    timers.erase(id);
}

void FakeWindow::TakeMessages(unsigned milliseconds, bool const&) {
    log_.Add("TakeMessages " + std::to_string(milliseconds));
    if (auto const inside = std::exchange(duringPause, nullptr)) {
        inside();
    }
}

void FakeWindow::QuitLoops() {
    log_.Add("QuitLoops");
}

int FakeWindow::MessageBox(std::wstring const& text, std::wstring const& caption, unsigned type) {
    log_.Add("MessageBox " + Narrow(caption) + ": " + Narrow(text));
    boxes.push_back({text, caption, type});
    if (auto const inside = std::exchange(duringBox, nullptr)) {
        inside();
    }
    return platform::kDialogResultOk;
}

namespace {

class FakePaintSurface : public platform::PaintSurface {
  public:
    FakePaintSurface(CallLog& log, platform::Size client) : log_(log), client_(client) {}
    ~FakePaintSurface() override { log_.Add("EndPaint"); }
    platform::Size ClientSize() override { return client_; }
    void EraseIconBackground() override { log_.Add("EraseIconBackground"); }
    void DrawIcon(platform::IconHandle, platform::Point at) override {
        log_.Add("DrawIcon " + std::to_string(at.x) + "," + std::to_string(at.y));
    }

  private:
    CallLog& log_;
    platform::Size client_;
};

} // namespace

std::unique_ptr<platform::PaintSurface> FakeWindow::BeginPaint() {
    log_.Add("BeginPaint");
    return std::make_unique<FakePaintSurface>(log_, client);
}

void FakeWindow::ComboAddString(int, std::wstring const& text) {
    log_.Add("ComboAdd " + Narrow(text));
    comboItems.push_back(text);
}

void FakeWindow::ComboSelect(int, int index) {
    log_.Add("ComboSelect " + std::to_string(index));
    comboSelection = index;
    comboText = index >= 0 && index < static_cast<int>(comboItems.size())
                    ? comboItems[static_cast<std::size_t>(index)]
                    : std::wstring();
}

int FakeWindow::ComboSelection(int) {
    return comboSelection;
}

void FakeWindow::SetChecked(int control, bool value) {
    log_.Add("SetChecked " + std::to_string(control) + " " + (value ? "1" : "0"));
    checked[control] = value;
}

platform::CommandId FakeWindow::TrackPopup(platform::MenuHandle, int popupIndex, unsigned flags,
                                           platform::Point at) {
    log_.Add("TrackPopup " + std::to_string(popupIndex) + " " + Hex(flags) + " " +
             std::to_string(at.x) + "," + std::to_string(at.y));
    auto const chosen = std::exchange(menuChoice, 0);
    if (auto const inside = std::exchange(duringPopup, nullptr)) {
        inside();
    }
    return chosen;
}

} // namespace fakes
