// The simulated 32-bit process on 64-bit Windows: System32 redirected to SysWOW64 for its
// file calls and program starts until the thread switches redirection off, DLL loads
// failing while it is off, delay-loaded DLLs loaded by their first call, and the registry
// keys of which it has a view of its own.
#include <winsim/Machine.h>

#include <gtest/gtest.h>

using winsim::M;

namespace
{
class SimulatedWow64Test : public ::testing::Test
{
protected:
    winsim::MachineScope machine;

    static void* Disable()
    {
        PVOID old = nullptr;
        EXPECT_TRUE(Wow64DisableWow64FsRedirection(&old));
        return old;
    }
};

TEST_F(SimulatedWow64Test, TheFileCallsOfA32BitProcessAreRedirected)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* redirected;  // what the process reaches while redirection is on
    };
    const Case cases[] = {
        {L"C:\\Windows\\system32\\msi.dll", L"C:\\Windows\\SysWOW64\\msi.dll"},
        {L"c:\\WINDOWS\\System32\\sub\\x.txt", L"C:\\Windows\\SysWOW64\\sub\\x.txt"},
        {L"C:\\Windows\\System32", L"C:\\Windows\\SysWOW64"},
        {L"C:\\Windows\\System32\\drivers\\etc\\hosts", L"C:\\Windows\\System32\\drivers\\etc\\hosts"},
        {L"C:\\Windows\\System32\\spool\\x", L"C:\\Windows\\System32\\spool\\x"},
        {L"C:\\Windows\\Sysnative\\msi.dll", L"C:\\Windows\\system32\\msi.dll"},
        {L"C:\\Windows\\System32x\\a", L"C:\\Windows\\System32x\\a"},
        {L"C:\\Media\\Setup\\Setup.exe", L"C:\\Media\\Setup\\Setup.exe"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(winsim::EqualNoCase(winsim::ProgramPath(c.path), c.redirected)) << winsim::Narrow(c.path);
        PVOID old = Disable();
        // Off, the path is taken as written; Sysnative does not exist then.
        EXPECT_EQ(winsim::ProgramPath(c.path), c.path) << winsim::Narrow(c.path);
        EXPECT_TRUE(Wow64RevertWow64FsRedirection(old));
    }
    // A 64-bit process, or 32-bit Windows, has nothing redirected and cannot switch it.
    M().wow64 = false;
    EXPECT_EQ(winsim::ProgramPath(L"C:\\Windows\\system32\\msi.dll"), L"C:\\Windows\\system32\\msi.dll");
    PVOID old = nullptr;
    EXPECT_FALSE(Wow64DisableWow64FsRedirection(&old));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
}

TEST_F(SimulatedWow64Test, FilesAndProgramsAreReachedThroughTheRedirection)
{
    M().WriteFile(L"C:\\Windows\\system32\\probe.txt", "native");
    EXPECT_EQ(GetFileAttributesW(L"C:\\Windows\\system32\\probe.txt"), INVALID_FILE_ATTRIBUTES);
    PVOID old = Disable();
    EXPECT_NE(GetFileAttributesW(L"C:\\Windows\\system32\\probe.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(Wow64RevertWow64FsRedirection(old));

    M().programs[L"C:\\Windows\\SysWOW64\\wusa.exe"] = winsim::ProgramModel{0, nullptr};
    std::wstring command = L"\"C:\\Windows\\system32\\wusa.exe\" a.msu";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(M().started.back().image, L"C:\\Windows\\SysWOW64\\wusa.exe");
}

TEST_F(SimulatedWow64Test, ADllLoadWhileRedirectionIsOffFailsUnlessTheDllIsLoaded)
{
    PVOID old = Disable();
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(L"version.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
    // Loaded before: found by its base name, wherever it was loaded from.
    EXPECT_TRUE(Wow64RevertWow64FsRedirection(old));
    HMODULE first = LoadLibraryW(L"C:\\Windows\\system32\\version.dll");
    ASSERT_NE(first, nullptr);
    old = Disable();
    HMODULE again = LoadLibraryW(L"version.dll");
    EXPECT_EQ(again, first);
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_TRUE(Wow64RevertWow64FsRedirection(old));
    // Freed as often as loaded, it is gone.
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(GetModuleHandleW(L"version.dll"), nullptr);
    EXPECT_FALSE(FreeLibrary(first));
    // The program's static imports are there from the start.
    EXPECT_NE(GetModuleHandleW(L"kernel32"), nullptr);
    // Load flags that Windows does not know are refused, even for a loaded DLL.
    SetLastError(0);
    EXPECT_EQ(LoadLibraryExW(L"kernel32.dll", nullptr, 0x00100000), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(SimulatedWow64Test, TheFirstCallIntoADelayLoadedDllLoadsIt)
{
    // Off at the first call: the process ends in the delay-load stub's exception.
    PVOID old = Disable();
    DWORD ignored = 0;
    try {
        GetFileVersionInfoSizeW(L"msi.dll", &ignored);
        ADD_FAILURE() << "the first call into version.dll loaded it with redirection off";
    } catch (const winsim::DelayLoadFailure& failure) {
        EXPECT_EQ(failure.dll, L"version.dll");
        EXPECT_EQ(failure.error, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
    }
    EXPECT_TRUE(Wow64RevertWow64FsRedirection(old));
    // On: the first call loads and binds it; later calls need no load, even with redirection off.
    EXPECT_GT(GetFileVersionInfoSizeW(L"msi.dll", &ignored), 0u);
    EXPECT_NE(GetModuleHandleW(L"version.dll"), nullptr);
    old = Disable();
    EXPECT_GT(GetFileVersionInfoSizeW(L"msi.dll", &ignored), 0u);
    EXPECT_TRUE(Wow64RevertWow64FsRedirection(old));
    // msi.dll is delay-loaded too.
    EXPECT_EQ(GetModuleHandleW(L"msi.dll"), nullptr);
    wchar_t product[39] = {};
    MsiEnumRelatedProductsW(L"{00000000-0000-0000-0000-000000000000}", 0, 0, product);
    EXPECT_NE(GetModuleHandleW(L"msi.dll"), nullptr);
}

TEST_F(SimulatedWow64Test, VersionReadsFollowTheRedirection)
{
    // A bare name is the copy in each system folder, unless a full path names one of them.
    M().fileVersions[L"msi.dll"] = winsim::FileVersion{4, 5, 6001, 22308, true};
    M().fileVersions[L"C:\\Windows\\SysWOW64\\msi.dll"] = winsim::FileVersion{3, 1, 4000, 0, true};
    auto major = [](const wchar_t* name) {
        DWORD ignored = 0;
        BYTE block[512] = {};
        DWORD size = GetFileVersionInfoSizeW(name, &ignored);
        if (size == 0 || size > sizeof block || !GetFileVersionInfoW(name, 0, size, block)) return -1;
        VS_FIXEDFILEINFO* info = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block, L"\\", reinterpret_cast<LPVOID*>(&info), &length)) return -1;
        return static_cast<int>(info->dwFileVersionMS >> 16);
    };
    EXPECT_EQ(major(L"msi.dll"), 3);
    EXPECT_EQ(major(L"C:\\Windows\\system32\\msi.dll"), 3);
    PVOID old = Disable();
    EXPECT_EQ(major(L"msi.dll"), 4);
    EXPECT_EQ(major(L"C:\\Windows\\system32\\msi.dll"), 4);
    EXPECT_EQ(major(L"C:\\Windows\\SysWOW64\\msi.dll"), 3);
    EXPECT_TRUE(Wow64RevertWow64FsRedirection(old));
    EXPECT_EQ(major(L"C:\\Media\\msi.dll"), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(SimulatedWow64Test, OnlyTheSoftwareTreeHasAViewOfItsOwn)
{
    struct Case {
        HKEY root;
        const wchar_t* path;
        bool twoViews;
    };
    const Case cases[] = {
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvale\\Probe", true},
        {HKEY_LOCAL_MACHINE, L"software\\orvale\\InLowerCase", true},
        {HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Probe", false},
        {HKEY_LOCAL_MACHINE, L"SOFTWAREX\\Probe", false},
        {HKEY_CURRENT_USER, L"Software\\Orvale\\Probe", false},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(c.root, c.path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        LONG seen64 = RegOpenKeyExW(c.root, c.path, 0, KEY_READ | KEY_WOW64_64KEY, &key);
        if (seen64 == ERROR_SUCCESS) RegCloseKey(key);
        EXPECT_EQ(seen64 == ERROR_SUCCESS, !c.twoViews) << winsim::Narrow(c.path);
        EXPECT_EQ(M().OpenHandles(), 0);
    }
}
}  // namespace
