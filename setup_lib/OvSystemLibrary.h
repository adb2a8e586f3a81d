// Files of the system folder by their full path: a DLL loaded before the first call into
// it, a program started without a search.
#pragma once

#include "setup_lib/OvMsiString.h"
#include "setup_lib/OvPlatform.h"

namespace OvSetupLib
{
// "<system folder>\<name>"; throws OvWinError when the folder cannot be read or does not fit.
OvMsiString SystemFilePath(const wchar_t* name);

// Loads `name` from the system folder and returns its handle; throws OvWinError when it
// cannot be loaded. The program's delay-loaded DLLs are loaded so before their first call:
// the delay-load stub then finds them loaded, where a failed load of its own would end the
// process with an exception that nothing handles, and where a load while file-system
// redirection is off would fail.
HMODULE LoadSystemLibrary(const wchar_t* name);
}  // namespace OvSetupLib
