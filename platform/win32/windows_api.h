#pragma once
// <windows.h> for the Windows layer. Include it instead of <windows.h>.

#include <windows.h>

// The seam has methods named LoadIcon, LoadMenu, LoadString and MessageBox,
// which <windows.h> also defines as macros for its W functions. Left in place,
// the macros would rename those methods in this layer only.
#undef LoadIcon
#undef LoadMenu
#undef LoadString
#undef MessageBox
