// The one seam between product code and the operating system: real Windows headers
// in Windows builds, the simulated Windows of winsim in host builds.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <commctrl.h>
#include <msi.h>
#include <msiquery.h>
#include <shlobj.h>
#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

#include <cstdlib>

// The runtime's normal process exit (static destructors run).
[[noreturn]] inline void OvExitProcess(int code)
{
    std::exit(code);
}
#else
#include <winsim/winsim.h>
#endif

namespace OvSetupLib
{
// A 64-bit build runs on 64-bit Windows by construction: the 64-bit condition is met
// and the x64 packages are chosen. This is the only place that knows it.
#if defined(_WIN64)
constexpr bool kIs64BitBuild = true;
#else
constexpr bool kIs64BitBuild = false;
#endif
}  // namespace OvSetupLib
