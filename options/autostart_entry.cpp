#include "options/autostart_entry.h"

#include "app/error_report.h"
#include "desktops/desktop_set.h"

#include <algorithm>

namespace quorvane {
namespace {

platform::ValueRead ReadRunValue(platform::Registry& registry) {
    auto const opened = registry.Open(kRunKeyRoot, kRunKeyPath, platform::kKeyRead);
    if (opened.error != platform::kSuccess) {
        return {opened.error, {}};
    }
    platform::UniqueKey key(registry, opened.key);
    return registry.Query(key.get(), kAutostartValueName, kAutostartQueryBytes);
}

wchar_t FoldedCase(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// Windows paths name the same file whatever the case of their letters.
bool SamePath(std::wstring const& a, std::wstring const& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](wchar_t x, wchar_t y) { return FoldedCase(x) == FoldedCase(y); });
}

void WriteRunValue(platform::Os& os, platform::Window& owner, std::wstring const& command) {
    auto const created = os.registry.Create(kRunKeyRoot, kRunKeyPath, platform::kKeySetValue);
    if (created.error != platform::kSuccess) {
        ErrorReport(os.system, owner, created.error);
        return;
    }
    platform::UniqueKey key(os.registry, created.key);
    if (auto const error = os.registry.SetString(key.get(), kAutostartValueName, command);
        error != platform::kSuccess) {
        ErrorReport(os.system, owner, error);
    }
}

} // namespace

bool QueryAutostart(platform::Registry& registry) {
    return ReadRunValue(registry).error == platform::kSuccess;
}

void RegisterAutostart(platform::Os& os, platform::Window& owner) {
    auto const self = os.system.ModulePath();
    if (!self) {
        ErrorReport(os.system, owner, platform::kErrorFilenameTooLong);
        return;
    }
    // Quoted, so that at logon a space in the path cannot start another program.
    auto const command = QuotedCommandLine(*self);
    // Only administrators may write the machine-wide key; a value that is
    // already right needs no write, so OK by anyone else is not refused.
    if (auto const current = ReadRunValue(os.registry);
        current.error == platform::kSuccess && SamePath(current.text, command)) {
        return;
    }
    WriteRunValue(os, owner, command);
}

void UnregisterAutostart(platform::Os& os, platform::Window& owner) {
    // With no value there is nothing to remove, and nothing to tell.
    if (ReadRunValue(os.registry).error == platform::kErrorFileNotFound) {
        return;
    }
    // A value left in place would start the program at the next logon
    // although the user unticked the box, so a refusal is told.
    auto const opened = os.registry.Open(kRunKeyRoot, kRunKeyPath, platform::kKeyWrite);
    if (opened.error != platform::kSuccess) {
        ErrorReport(os.system, owner, opened.error);
        return;
    }
    platform::UniqueKey key(os.registry, opened.key);
    if (auto const error = os.registry.DeleteValue(key.get(), kAutostartValueName);
        error != platform::kSuccess && error != platform::kErrorFileNotFound) {
        ErrorReport(os.system, owner, error);
    }
}

} // namespace quorvane
