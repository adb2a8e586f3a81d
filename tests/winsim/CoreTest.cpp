// The simulation's kernel handle table, fault injection and run-time function lookup.
#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <set>

using winsim::M;

namespace
{
class SimulatedCoreTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

struct Marker : winsim::Object {
    int value = 0;
};

TEST_F(SimulatedCoreTest, TheHandleTable)
{
    std::set<HANDLE> seen;
    std::vector<std::shared_ptr<Marker>> objects;
    for (int i = 0; i < 3; ++i) {
        auto m = std::make_shared<Marker>();
        m->value = i;
        objects.push_back(m);
        HANDLE h = winsim::NewHandle(m);
        EXPECT_NE(h, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(seen.insert(h).second) << "handle given twice";
    }
    EXPECT_EQ(M().OpenHandles(), 3);
    for (HANDLE h : seen) {
        auto m = std::dynamic_pointer_cast<Marker>(winsim::GetObject(h));
        ASSERT_NE(m, nullptr);
    }
    HANDLE first = *seen.begin();
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_EQ(M().OpenHandles(), 2);
    EXPECT_EQ(winsim::GetObject(first), nullptr);
    // Closing twice, or closing what never was a handle, fails.
    for (HANDLE h : {first, static_cast<HANDLE>(nullptr)}) {
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(h));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    // A fresh machine starts with an empty table.
    winsim::Reset();
    EXPECT_EQ(M().OpenHandles(), 0);
    EXPECT_EQ(winsim::GetObject(*seen.rbegin()), nullptr);
}

TEST_F(SimulatedCoreTest, FaultsFollowSkipAndRemaining)
{
    struct Case {
        winsim::Fault fault;
        const char* pattern;  // per call: 'o' succeeds, 'x' fails with the code
    };
    const Case cases[] = {
        {{ERROR_ACCESS_DENIED, -1, 0}, "xxxxx"}, {{ERROR_ACCESS_DENIED, 1, 0}, "xoooo"},
        {{ERROR_ACCESS_DENIED, 2, 1}, "oxxoo"},  {{ERROR_ACCESS_DENIED, -1, 3}, "oooxx"},
        {{ERROR_ACCESS_DENIED, 0, 0}, "ooooo"},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        M().faults["GetFullPathNameW"] = c.fault;
        std::string seen;
        for (int i = 0; i < 5; ++i) {
            wchar_t buffer[64];
            SetLastError(0);
            DWORD n = GetFullPathNameW(L"C:\\x", 64, buffer, nullptr);
            if (n == 0) {
                EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
                seen += 'x';
            } else {
                seen += 'o';
            }
        }
        EXPECT_EQ(seen, c.pattern);
    }
    // A fault for one function leaves the others alone.
    winsim::Reset();
    M().faults["CreateFileW"] = {ERROR_ACCESS_DENIED, -1, 0};
    wchar_t buffer[64];
    EXPECT_EQ(GetFullPathNameW(L"C:\\x", 64, buffer, nullptr), 4u);
}

TEST_F(SimulatedCoreTest, RunTimeFunctionLookup)
{
    HMODULE kernel32 = GetModuleHandleW(L"kernel32");
    ASSERT_NE(kernel32, nullptr);
    EXPECT_NE(GetProcAddress(kernel32, "IsWow64Process"), nullptr);
    EXPECT_EQ(GetProcAddress(kernel32, "NoSuchFunction"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    M().missingProcs.insert("kernel32!IsWow64Process");
    EXPECT_EQ(GetProcAddress(kernel32, "IsWow64Process"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetProcAddress(kernel32, nullptr), nullptr);
}

TEST_F(SimulatedCoreTest, ModuleFileNameIsCutAndTerminated)
{
    M().modulePath = L"C:\\Media\\Setup\\Setup.exe";  // 24 characters
    wchar_t buffer[32];
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 32), 24u);
    EXPECT_EQ(std::wstring(buffer), M().modulePath);
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 10), 10u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::wstring(buffer), L"C:\\Media\\");
}
}  // namespace
