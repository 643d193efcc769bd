#include "options/autostart_entry.h"

#include "app/error_report.h"
#include "desktops/desktop_set.h"

namespace quorvane {

bool QueryAutostart(platform::Registry& registry) {
    auto const opened = registry.Open(kRunKeyRoot, kRunKeyPath, platform::kKeyRead);
    if (opened.error != platform::kSuccess) {
        return false;
    }
    platform::UniqueKey key(registry, opened.key);
    return registry.Query(key.get(), kAutostartValueName, kAutostartQueryBytes) ==
           platform::kSuccess;
}

void RegisterAutostart(platform::Os& os, platform::Window& owner) {
    auto const self = os.system.ModulePath();
    if (!self) {
        ErrorReport(os.system, owner, platform::kErrorFilenameTooLong);
        return;
    }
    auto const created = os.registry.Create(kRunKeyRoot, kRunKeyPath, platform::kKeySetValue);
    if (created.error != platform::kSuccess) {
        ErrorReport(os.system, owner, created.error);
        return;
    }
    platform::UniqueKey key(os.registry, created.key);
    // Quoted, so that at logon a space in the path cannot start another program.
    if (auto const error =
            os.registry.SetString(key.get(), kAutostartValueName, QuotedCommandLine(*self));
        error != platform::kSuccess) {
        ErrorReport(os.system, owner, error);
    }
}

void UnregisterAutostart(platform::Registry& registry) {
    auto const opened = registry.Open(kRunKeyRoot, kRunKeyPath, platform::kKeyWrite);
    if (opened.error != platform::kSuccess) {
        return;
    }
    platform::UniqueKey key(registry, opened.key);
    registry.DeleteValue(key.get(), kAutostartValueName);
}

} // namespace quorvane
