// Versions read from dotted text or from a file's version resource, and their comparison.
#pragma once

#include "setup_lib/OvMsiString.h"

#include <cstdint>

namespace OvSetupLib
{
struct OvVersion {
    std::int32_t major = 0;
    std::int32_t minor = 0;
    std::int32_t build = 0;
    std::int32_t revision = 0;
};

struct OvFileVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t build = 0;
    std::uint16_t revision = 0;
};

// Never fails: what is not a number reads as 0; fields after the fourth are ignored.
OvVersion ParseVersion(const OvMsiString& text);
// Negative, zero or positive over the first count parts (3 ignores the revision).
int CompareVersions(const OvVersion& a, const OvVersion& b, int count);
// The file version of the file's fixed version information. Throws OvWinError.
OvFileVersion GetFileVersion(const wchar_t* fileName);
}  // namespace OvSetupLib
