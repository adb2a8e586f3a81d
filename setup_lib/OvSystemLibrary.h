// A DLL of the system folder, loaded by its full path before the first call into it.
#pragma once

#include "setup_lib/OvPlatform.h"

namespace OvSetupLib
{
// Loads `name` from the system folder and returns its handle; throws OvWinError when it
// cannot be loaded. The program's delay-loaded DLLs are loaded so before their first call:
// the delay-load stub then finds them loaded, where a failed load of its own would end the
// process with an exception that nothing handles, and where a load while file-system
// redirection is off would fail.
HMODULE LoadSystemLibrary(const wchar_t* name);
}  // namespace OvSetupLib
