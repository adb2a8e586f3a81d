#include "bench/HeapCount.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<std::size_t> g_inUse{0};
// Each block carries its size in front, so that a release knows what it gives back.
constexpr std::size_t kHeader = alignof(std::max_align_t);
}  // namespace

std::size_t OvBench::HeapBytesInUse()
{
    return g_inUse.load();
}

void* operator new(std::size_t size)
{
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    g_inUse += size;
    return block + kHeader;
}

void operator delete(void* p) noexcept
{
    if (p == nullptr) return;
    auto* block = static_cast<unsigned char*>(p) - kHeader;
    g_inUse -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}

void operator delete(void* p, std::size_t) noexcept
{
    operator delete(p);
}
