// Counts the bytes that the program holds through operator new, so that a benchmark can
// tell how much heap a loaded settings file keeps. Linked once per program.
#pragma once

#include <cstddef>

namespace OvBench
{
// The bytes requested through operator new and not yet given back.
std::size_t HeapBytesInUse();
}  // namespace OvBench
