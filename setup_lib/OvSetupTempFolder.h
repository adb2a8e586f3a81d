// The folder under the common application data folder that holds the log and the
// prerequisite installers' logs.
#pragma once

#include "setup_lib/OvMsiString.h"

#include <initializer_list>

namespace OvSetupLib
{
// "<common application data>\Orvale\Setup\Temp\", creating the folders that are
// missing. filesToWrite names the files in it that the caller is about to write (or have an
// installer write): under an administrator's run, one left there as a link or a second name
// of another file is removed first. Throws OvWinError, whose message is the folder that could
// not be made or used.
OvMsiString GetSetupTempFolder(std::initializer_list<const wchar_t*> filesToWrite);

// For a run that only evaluates and must leave the machine as it found it: from then on
// GetSetupTempFolder gives the folder's path without making or securing anything, until
// it is called again with false.
void LeaveSetupTempFolderUnmade(bool leave);
}  // namespace OvSetupLib
