#pragma once
// Everything through which the logic reaches the operating system.

#include "platform/desktops.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/tray.h"

namespace platform {

struct Os {
    Desktops& desktops;
    System& system;
    Ui& ui;
    Files& files;
    Registry& registry;
    Tray& tray;
};

} // namespace platform
