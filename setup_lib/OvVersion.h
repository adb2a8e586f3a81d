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
// How many parts CompareVersions reads: major, minor and build, or all four.
constexpr int kWithoutRevision = 3;
constexpr int kWholeVersion = 4;
// Negative, zero or positive over the first count parts.
int CompareVersions(const OvVersion& a, const OvVersion& b, int count);
// The file version of the file's fixed version information. Throws OvWinError.
OvFileVersion GetFileVersion(const wchar_t* fileName);
}  // namespace OvSetupLib
