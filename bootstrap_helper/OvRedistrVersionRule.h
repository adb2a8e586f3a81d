// The file versions from which the installer library and the imaging component count
// as present.
#pragma once

#include "setup_lib/OvVersion.h"

namespace OvBootstrapHelper
{
// msi.dll: 4.5 or later; build and revision do not matter.
bool IsWI45Version(const OvSetupLib::OvFileVersion& version);
// windowscodecs.dll: 6.0.5840.16388 or later, compared part by part.
bool IsWICVersion(const OvSetupLib::OvFileVersion& version);
// Reads a system library's version for a detection: a missing file or one without
// version data (2, 1812) gives nothing; other failures are thrown on.
bool ReadSystemLibraryVersion(const wchar_t* fileName, OvSetupLib::OvFileVersion& version);
// "major.minor.build.revision".
OvSetupLib::OvMsiString FileVersionText(const OvSetupLib::OvFileVersion& version);
}  // namespace OvBootstrapHelper
