#pragma once
// Where the process may load DLLs from. A portable program is often run from
// a Downloads folder, where anyone can leave a DLL with a system DLL's name.

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

// From now on every DLL the process loads by name, itself or through the
// system's own libraries, comes from the system folder, never from the
// program's folder or the current one. Where Windows lacks that setting,
// the current folder is still left out.
void LoadDllsFromSystemFolderOnly();

// The common controls, loaded and initialised. Loaded here rather than
// imported, so that what they load in turn (the theme code) is looked for
// after the call above, also on Windows that ignore the program's
// dependent-load flags. Kept loaded as long as the handle lives.
UniqueHmodule LoadCommonControls();

} // namespace platform::win32
