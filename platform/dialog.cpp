#include "platform/dialog.h"

namespace platform {
namespace {

// Menus and buttons send 0 in the high word, accelerators 1; anything else is
// a control notification, not a command.
constexpr std::uint32_t kAcceleratorNotification = 1;

bool IsCommandFrom(Message const& message, CommandId command) {
    auto const notification = LowWord(message.wParam >> 16);
    return LowWord(message.wParam) == command && notification <= kAcceleratorNotification;
}

std::size_t NameStart(std::wstring const& path) {
    auto const slash = path.find_last_of(L"\\/:");
    return slash == std::wstring::npos ? 0 : slash + 1;
}

} // namespace

void DataExchange::CheckBox(int control, int& field) {
    if (saving_) {
        field = window_.IsChecked(control) ? 1 : 0;
    } else {
        window_.SetChecked(control, field != 0);
    }
}

Dialog::Dialog(Ui& ui, System& system, ResourceId templateId)
    : ui_(ui), system_(system), templateId_(templateId) {}

bool Dialog::OnInitDialog() {
    window().Centre();
    UpdateData(false);
    return true;
}

Reply Dialog::Handle(Message const& message) {
    if (auto reply = Dispatch(message); reply.handled) {
        return reply;
    }
    if (message.id == kWmCommand && IsCommandFrom(message, kIdOk)) {
        EndWithOk();
        return Handled();
    }
    if (message.id == kWmCommand && IsCommandFrom(message, kIdCancel)) {
        EndWithCancel();
        return Handled();
    }
    if (message.id == kWmHelp) {
        ShowHelp();
        return Handled(1);
    }
    return kDefaultHandling;
}

void Dialog::UpdateData(bool save) {
    DataExchange exchange(window(), save);
    ExchangeData(exchange);
}

void Dialog::EndWithOk() {
    UpdateData(true);
    window().EndDialog(kDialogResultOk);
}

void Dialog::EndWithCancel() {
    window().EndDialog(kDialogResultCancel);
}

void Dialog::ShowHelp() {
    auto const path = system().ModulePath();
    if (path && system().LaunchHelp(HelpFileFor(*path), kDialogHelpContextBase + templateId_)) {
        return;
    }
    window().MessageBox(kHelpFailedText, path ? ProgramTitle(*path) : std::wstring(),
                        kMbOk | kMbIconExclamation);
}

bool Dialog::Matches(MessageId id, CommandId command, wchar_t const* registeredName,
                     Message const& message) {
    if (registeredName != nullptr) {
        // Zero means the system refused the name; it must not match WM_NULL.
        auto const registered = Registered(registeredName);
        return registered != 0 && message.id == registered;
    }
    if (message.id != id) {
        return false;
    }
    return id != kWmCommand || IsCommandFrom(message, command);
}

MessageId Dialog::Registered(wchar_t const* name) {
    for (auto const& [known, id] : registered_) {
        if (known == name) {
            return id;
        }
    }
    auto const id = ui_.RegisterMessage(name);
    registered_.emplace_back(name, id);
    return id;
}

std::wstring HelpFileFor(std::wstring const& modulePath) {
    auto const dot = modulePath.find_last_of(L'.');
    auto const stem = dot == std::wstring::npos || dot < NameStart(modulePath)
                          ? modulePath
                          : modulePath.substr(0, dot);
    return stem + L".HLP";
}

std::wstring ProgramTitle(std::wstring const& modulePath) {
    auto name = modulePath.substr(NameStart(modulePath));
    if (auto const dot = name.find_last_of(L'.'); dot != std::wstring::npos) {
        name.resize(dot);
    }
    return name;
}

} // namespace platform
