#pragma once
// A small modal-dialog framework: a dialog class names its template and
// receives its messages through one static table, read top to bottom; what
// no entry handles gets the framework's defaults and then the system's.

#include "platform/messages.h"
#include "platform/system.h"
#include "platform/types.h"
#include "platform/window.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct Message {
    MessageId id = 0;
    WParam wParam = 0;
    LParam lParam = 0;
};

// Whether a handler took the message, and what the window procedure returns.
struct Reply {
    bool handled = false;
    std::intptr_t value = 0;
};

inline constexpr Reply kDefaultHandling{};
inline constexpr Reply Handled(std::intptr_t value = 0) {
    return Reply{true, value};
}

inline constexpr int kDialogResultOk = 1;
inline constexpr int kDialogResultCancel = 2;

// Moves values between bound controls and fields, in one direction at a time.
class DataExchange {
  public:
    DataExchange(Window& window, bool saving) : window_(window), saving_(saving) {}
    void CheckBox(int control, int& field);

  private:
    Window& window_;
    bool saving_;
};

template <class T> struct MessageEntry {
    MessageId message = 0;
    CommandId command = 0;                   // only for WM_COMMAND entries
    wchar_t const* registeredName = nullptr; // set for a registered message
    Reply (T::*handler)(Message const&) = nullptr;
};

template <class T>
constexpr MessageEntry<T> OnMessage(MessageId id, Reply (T::*h)(Message const&)) {
    return {id, 0, nullptr, h};
}

template <class T>
constexpr MessageEntry<T> OnCommand(CommandId id, Reply (T::*h)(Message const&)) {
    return {kWmCommand, id, nullptr, h};
}

template <class T>
constexpr MessageEntry<T> OnRegisteredMessage(wchar_t const* name, Reply (T::*h)(Message const&)) {
    return {0, 0, name, h};
}

class Dialog {
  public:
    Dialog(Ui& ui, System& system, ResourceId templateId);
    virtual ~Dialog() = default;
    Dialog(Dialog const&) = delete;
    Dialog& operator=(Dialog const&) = delete;

    ResourceId TemplateId() const { return templateId_; }

    // For the dialog host: the window exists (or is gone, with nullptr).
    void Attach(Window* window) { window_ = window; }
    bool HasWindow() const { return window_ != nullptr; }
    // For the dialog host: WM_INITDIALOG. True lets the system set the focus.
    virtual bool OnInitDialog();
    // For the dialog host: every other message.
    Reply Handle(Message const& message);
    // For the dialog host: the messages other processes send this dialog's
    // window, which a copy running elevated must let through its message
    // filter. None by default.
    virtual std::vector<MessageId> MessagesFromOtherProcesses() { return {}; }

  protected:
    // The class's own table; the default has no entries.
    virtual Reply Dispatch(Message const&) { return kDefaultHandling; }
    virtual void ExchangeData(DataExchange&) {}

    template <class T, std::size_t N>
    Reply DispatchThrough(T& self, MessageEntry<T> const (&table)[N], Message const& message) {
        for (auto const& entry : table) {
            if (Matches(entry.message, entry.command, entry.registeredName, message)) {
                return (self.*entry.handler)(message);
            }
        }
        return kDefaultHandling;
    }

    // Reads the controls into the fields (save) or pushes the fields out.
    void UpdateData(bool save);
    // The standard OK path: read the controls back and end with result 1.
    void EndWithOk();
    void EndWithCancel();
    // F1: the help file named like the program, at this dialog's context.
    void ShowHelp();
    // The id the system gave a registered message name; zero when it refused.
    MessageId Registered(wchar_t const* name);

    Window& window() { return *window_; }
    Ui& ui() { return ui_; }
    System& system() { return system_; }

  private:
    bool Matches(MessageId id, CommandId command, wchar_t const* registeredName,
                 Message const& message);

    Ui& ui_;
    System& system_;
    ResourceId templateId_;
    Window* window_ = nullptr;
    std::vector<std::pair<wchar_t const*, MessageId>> registered_;
};

// Help contexts of dialogs start here, as the dialog template's id is added.
inline constexpr std::uint32_t kDialogHelpContextBase = 0x20000;
inline constexpr wchar_t kHelpFailedText[] = L"Failed to launch help.";

// The help file that belongs to a program path: its extension becomes ".HLP".
std::wstring HelpFileFor(std::wstring const& modulePath);
// The program's file name without folder and extension, used as its title.
std::wstring ProgramTitle(std::wstring const& modulePath);

} // namespace platform
