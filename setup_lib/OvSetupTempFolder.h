// The folder under the common application data folder that holds the log and the
// prerequisite installers' logs.
#pragma once

#include "setup_lib/OvMsiString.h"

namespace OvSetupLib
{
// "<common application data>\Orvale\Setup\Temp\", creating the folders that are
// missing. Throws OvWinError, whose message is the folder that could not be made or used.
OvMsiString GetSetupTempFolder();

// For a run that only evaluates and must leave the machine as it found it: from then on
// GetSetupTempFolder gives the folder's path without making or securing anything, until
// it is called again with false.
void LeaveSetupTempFolderUnmade(bool leave);
}  // namespace OvSetupLib
