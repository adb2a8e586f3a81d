// What the loader and the handle table answer to the calls the program makes early: the
// DLL search settings and load flags are checked, a loaded DLL is found again by its base
// name, and the current process's pseudo-handle may be closed.
#include "PlatformTest.h"

namespace
{
using OvPlatformTest::PlatformTest;

class DllLoading : public PlatformTest
{
protected:
    void TearDown() override
    {
        // What the program itself sets, so that later tests of this process load as it does.
        EXPECT_TRUE(SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32));
        PlatformTest::TearDown();
    }
};

TEST_F(DllLoading, TheSearchSettingsAndLoadFlagsAreChecked)
{
    struct Case {
        const char* what;
        DWORD flags;
    };
    const Case refused[] = {
        {"no folder", 0},
        {"a load flag that names no folder", 0x00000002},
        {"an unknown bit", 0x00100000},
    };
    for (const Case& c : refused) {
        SetLastError(0);
        EXPECT_FALSE(SetDefaultDllDirectories(c.flags)) << c.what;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.what;
    }
    EXPECT_TRUE(SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32));
    EXPECT_TRUE(SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS));

    // Windows also refuses load flags that it does not know; Wine 8 takes them (a loaded
    // DLL is handed out whatever they say), so that is left to winsim's own tests.
    const Case refusedLoads[] = {
        {"the altered search path with a search folder", LOAD_WITH_ALTERED_SEARCH_PATH | LOAD_LIBRARY_SEARCH_SYSTEM32},
    };
    for (const Case& c : refusedLoads) {
        SetLastError(0);
        EXPECT_EQ(LoadLibraryExW(L"version.dll", nullptr, c.flags), nullptr) << c.what;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.what;
    }
}

TEST_F(DllLoading, ALoadedDllIsFoundAgainByItsBaseName)
{
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    ASSERT_GT(length, 0u);
    HMODULE byPath = LoadLibraryExW((std::wstring(folder, length) + L"\\version.dll").c_str(), nullptr, 0);
    ASSERT_NE(byPath, nullptr) << GetLastError();
    HMODULE byName = LoadLibraryExW(L"version.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    EXPECT_EQ(byName, byPath);
    EXPECT_EQ(GetModuleHandleW(L"VERSION"), byPath);
    EXPECT_TRUE(FreeLibrary(byName));
    EXPECT_TRUE(FreeLibrary(byPath));
}

TEST(Handles, TheCurrentProcessPseudoHandleMayBeClosed)
{
#ifndef _WIN32
    winsim::MachineScope machine;
#endif
    // INVALID_HANDLE_VALUE is the same value: closing it is no error either.
    EXPECT_EQ(GetCurrentProcess(), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(GetCurrentProcess()));
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}
}  // namespace
