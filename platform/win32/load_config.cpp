// The program's load configuration, for mingw-w64, whose runtime has none
// (MSVC's has one, and its linker sets the same flag with
// /DEPENDENTLOADFLAG). What matters in it is one word: the DLLs the program
// imports, and those they import in turn, are loaded before its first line
// runs, and with it Windows 10 and later look for them in the system folder
// only, never beside the program.

#include "platform/win32/windows_api.h"

#include <cstddef>
#include <cstdint>

namespace platform::win32 {

#if defined(_WIN64)
// IMAGE_LOAD_CONFIG_DIRECTORY64 up to the safe exception handler count: the
// 112 bytes of the first 64-bit layout, which every 64-bit Windows accepts.
// The pointer-sized fields are 64 bits wide here, and the affinity mask comes
// before the heap flags, so the dependent-load word sits at 78.
struct LoadConfig {
    std::uint32_t size = 0;
    std::uint32_t timeDateStamp = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::uint32_t globalFlagsClear = 0;
    std::uint32_t globalFlagsSet = 0;
    std::uint32_t criticalSectionDefaultTimeout = 0;
    std::uint64_t deCommitFreeBlockThreshold = 0;
    std::uint64_t deCommitTotalFreeThreshold = 0;
    std::uint64_t lockPrefixTable = 0;
    std::uint64_t maximumAllocationSize = 0;
    std::uint64_t virtualMemoryThreshold = 0;
    std::uint64_t processAffinityMask = 0;
    std::uint32_t processHeapFlags = 0;
    std::uint16_t csdVersion = 0;
    std::uint16_t dependentLoadFlags = 0;
    std::uint64_t editList = 0;
    std::uint64_t securityCookie = 0; // none: the program is not built with stack cookies
    std::uint64_t seHandlerTable = 0;
    std::uint64_t seHandlerCount = 0;
};

constexpr std::uint32_t kLoadConfigBytes = 112;
constexpr std::size_t kDependentLoadFlagsOffset = 78;
#else
// IMAGE_LOAD_CONFIG_DIRECTORY32 up to the security cookie: the 64 bytes that
// 32-bit Windows has always accepted.
struct LoadConfig {
    std::uint32_t size = 0;
    std::uint32_t timeDateStamp = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t minorVersion = 0;
    std::uint32_t globalFlagsClear = 0;
    std::uint32_t globalFlagsSet = 0;
    std::uint32_t criticalSectionDefaultTimeout = 0;
    std::uint32_t deCommitFreeBlockThreshold = 0;
    std::uint32_t deCommitTotalFreeThreshold = 0;
    std::uint32_t lockPrefixTable = 0;
    std::uint32_t maximumAllocationSize = 0;
    std::uint32_t virtualMemoryThreshold = 0;
    std::uint32_t processHeapFlags = 0;
    std::uint32_t processAffinityMask = 0;
    std::uint16_t csdVersion = 0;
    std::uint16_t dependentLoadFlags = 0;
    std::uint32_t editList = 0;
    std::uint32_t securityCookie = 0; // none: the program is not built with stack cookies
};

constexpr std::uint32_t kLoadConfigBytes = 64;
constexpr std::size_t kDependentLoadFlagsOffset = 54;
#endif
// mingw-w64's headers still call the dependent-load word Reserved1.
static_assert(sizeof(LoadConfig) == kLoadConfigBytes);
static_assert(offsetof(LoadConfig, dependentLoadFlags) == kDependentLoadFlagsOffset);

} // namespace platform::win32

// In a section of its own, which the build points the header at: this
// toolchain's linker leaves the header's entry for it empty.
extern "C" [[gnu::section(".ldcfg")]] platform::win32::LoadConfig const _load_config_used = {
    .size = platform::win32::kLoadConfigBytes,
    .dependentLoadFlags = LOAD_LIBRARY_SEARCH_SYSTEM32,
};
