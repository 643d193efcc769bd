#pragma once
// The value under the machine-wide Run key that starts the program at logon.

#include "platform/os.h"
#include "platform/window.h"

#include <cstdint>

namespace quorvane {

inline constexpr platform::RegistryRoot kRunKeyRoot = platform::RegistryRoot::LocalMachine;
inline constexpr wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kAutostartValueName[] = L"Quorvane";
// A value longer than this counts as absent, as it always has.
inline constexpr std::uint32_t kAutostartQueryBytes = 1000;

// Whether the value exists; its content is not compared with this program's path.
bool QueryAutostart(platform::Registry& registry);

// Stores this program's quoted path unless the value holds it already; a
// refusal gets the "Error" box.
void RegisterAutostart(platform::Os& os, platform::Window& owner);

// Removes the value; a refusal gets the "Error" box, a missing value nothing.
void UnregisterAutostart(platform::Os& os, platform::Window& owner);

} // namespace quorvane
