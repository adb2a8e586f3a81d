// The folder under the common application data folder that holds the log and the
// prerequisite installers' logs.
#pragma once

#include "setup_lib/OvMsiString.h"

namespace OvSetupLib
{
// "<common application data>\Orvale\Setup\Temp\", creating the folders that are
// missing. Throws OvWinError.
OvMsiString GetSetupTempFolder();
}  // namespace OvSetupLib
