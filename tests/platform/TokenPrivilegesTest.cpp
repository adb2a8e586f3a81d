// Enabling privileges in this process's token, as the reboot does for the shutdown
// privilege: a privilege the token holds is enabled with no error; one it lacks (no
// administrator's token holds the right to create tokens) is not an error of the call,
// which succeeds and reports ERROR_NOT_ALL_ASSIGNED; an unknown name is not found.
#include "PlatformTest.h"

#include <utility>

namespace
{
using OvPlatformTest::PlatformTest;

using Answer = std::pair<BOOL, DWORD>;

class TokenPrivileges : public PlatformTest
{
protected:
    // AdjustTokenPrivileges's result and last error for enabling (or disabling) `name`.
    static Answer Adjust(const wchar_t* name, bool enable)
    {
        HANDLE token = nullptr;
        EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
            << GetLastError();
        TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        EXPECT_TRUE(LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) << GetLastError();
        privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
        SetLastError(0xDEAD);
        BOOL result = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        DWORD error = GetLastError();
        CloseHandle(token);
        return {result, error};
    }
};

TEST_F(TokenPrivileges, OneTheTokenHoldsIsEnabledWithoutError)
{
    EXPECT_EQ(Adjust(L"SeShutdownPrivilege", true), Answer(TRUE, 0));
    EXPECT_EQ(Adjust(L"SeShutdownPrivilege", false), Answer(TRUE, 0));
}

TEST_F(TokenPrivileges, OneTheTokenLacksSucceedsWithNotAllAssigned)
{
    EXPECT_EQ(Adjust(L"SeCreateTokenPrivilege", true), Answer(TRUE, ERROR_NOT_ALL_ASSIGNED));
}

TEST_F(TokenPrivileges, AnUnknownNameIsNotFound)
{
    LUID luid{};
    SetLastError(0);
    EXPECT_FALSE(LookupPrivilegeValueW(nullptr, L"SeNoSuchPrivilege", &luid));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE));
}
}  // namespace
