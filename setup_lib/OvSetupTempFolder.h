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
}  // namespace OvSetupLib
