// Owning wrappers: what they release, when, and that the last error survives.
#include "setup_lib/OvPointerT.h"
#include "setup_lib/OvSmartHandle.h"

#include <gtest/gtest.h>

#include <vector>

using namespace OvSetupLib;

namespace
{
std::vector<std::intptr_t> g_released;

template <typename H>
struct RecordingReleaser {
    static void Release(H h)
    {
        g_released.push_back(reinterpret_cast<std::intptr_t>(h));
        SetLastError(999);  // a close that changes the last error
    }
};

using Recorded = OvSmartHandle<HANDLE, RecordingReleaser>;
using RecordedFind = OvSmartHandle<HANDLE, RecordingReleaser, -1>;

HANDLE H(std::intptr_t v)
{
    return reinterpret_cast<HANDLE>(v);
}

class OwningHandles : public ::testing::Test
{
protected:
    void SetUp() override { g_released.clear(); }
};

TEST_F(OwningHandles, ResetReleasesThePreviousValueOnly)
{
    {
        Recorded h(H(10));
        h.Reset(H(10));  // the value already held: nothing is closed
        EXPECT_TRUE(g_released.empty());
        h.Reset(H(11));
        EXPECT_EQ(g_released, std::vector<std::intptr_t>{10});
    }
    EXPECT_EQ(g_released, (std::vector<std::intptr_t>{10, 11}));
}

TEST_F(OwningHandles, EmptyHoldersReleaseNothing)
{
    {
        Recorded empty;
    }
    {
        RecordedFind emptyFind;
    }
    {
        RecordedFind holdsInvalid(INVALID_HANDLE_VALUE);
    }
    EXPECT_TRUE(g_released.empty());
    {
        RecordedFind nullIsAValidSearchHandleKind(H(0));
    }
    EXPECT_EQ(g_released, std::vector<std::intptr_t>{0});
}

TEST_F(OwningHandles, ClosingKeepsTheLastError)
{
    Recorded h(H(5));
    SetLastError(183);
    h.Reset();
    EXPECT_EQ(GetLastError(), 183u);
    EXPECT_EQ(g_released.size(), 1u);
}

TEST_F(OwningHandles, ReceiveReleasesWhatWasHeldFirst)
{
    Recorded h(H(7));
    *h.Receive() = H(8);
    EXPECT_EQ(g_released, std::vector<std::intptr_t>{7});
    EXPECT_EQ(h.Get(), H(8));
}

struct Tracked {
    static int alive;
    Tracked() { ++alive; }
    virtual ~Tracked() { --alive; }
};
int Tracked::alive = 0;

TEST(OwningPointers, SingleAndArrayReleasers)
{
    {
        OvPointerT<Tracked, PointerReleaser> one(new Tracked);
        EXPECT_EQ(Tracked::alive, 1);
        one.Reset(one.Get());
        EXPECT_EQ(Tracked::alive, 1);
        one.Reset(new Tracked);
        EXPECT_EQ(Tracked::alive, 1);
    }
    EXPECT_EQ(Tracked::alive, 0);
    {
        OvPointerT<wchar_t, PointerArrayReleaser> text(new wchar_t[4]());
        EXPECT_NE(text.Get(), nullptr);
    }
}
}  // namespace
