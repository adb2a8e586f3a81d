// The folder under the common application data folder that holds the log and the
// prerequisite installers' logs.
#pragma once

#include "setup_lib/OvMsiString.h"

namespace OvSetupLib
{
// "<common application data>\Orvale\Setup\Temp\", creating the folders that are
// missing. Throws OvWinError, whose message is the folder that could not be made or used.
OvMsiString GetSetupTempFolder();
}  // namespace OvSetupLib
