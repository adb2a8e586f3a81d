// File versions of the system libraries that decide the prerequisites, through the real
// version reader: the bare name finds the copy in the system folder, a missing file and a
// file without version data are the two answers that mean "absent".
#include "PlatformTest.h"

#include "bootstrap_helper/OvRedistrVersionRule.h"
#include "setup_lib/OvVersion.h"
#include "setup_lib/OvWinError.h"

#include <string>

namespace
{
using OvPlatformTest::PlatformTest;
using OvSetupLib::GetFileVersion;
using OvSetupLib::OvFileVersion;
using OvSetupLib::OvWinError;

std::wstring SystemFolder()
{
    wchar_t folder[MAX_PATH + 1] = {};
    GetSystemDirectoryW(folder, MAX_PATH + 1);
    return folder;
}

// The code and message of the error that GetFileVersion throws, or 0 and "" when it
// does not throw.
std::pair<DWORD, std::wstring> FailureOf(const std::wstring& path)
{
    try {
        GetFileVersion(path.c_str());
    } catch (const OvWinError& e) {
        return {e.ErrorCode(), e.Message()};
    }
    return {0, L""};
}

std::wstring ModulePath()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    return path;
}

class FileVersion : public PlatformTest
{
};

TEST_F(FileVersion, ThisProgramCarriesTheVersionRecordOfSetupRc)
{
    // The test links the product's compiled resources, version record included.
    const OvFileVersion version = GetFileVersion(ModulePath().c_str());
    EXPECT_EQ(version.major, 7);
    EXPECT_EQ(version.minor, 0);
    EXPECT_EQ(version.build, 0);
    EXPECT_EQ(version.revision, 690);
}

TEST_F(FileVersion, SystemLibrariesByBareNameAreTheSystemFolderCopies)
{
    for (const wchar_t* name : {L"msi.dll", L"windowscodecs.dll"}) {
        SCOPED_TRACE(std::string(name, name + std::wstring(name).size()));
        const OvFileVersion bare = GetFileVersion(name);
        const OvFileVersion full = GetFileVersion((SystemFolder() + L"\\" + name).c_str());
        EXPECT_GT(bare.major, 0);
        EXPECT_EQ(bare.major, full.major);
        EXPECT_EQ(bare.minor, full.minor);
        EXPECT_EQ(bare.build, full.build);
        EXPECT_EQ(bare.revision, full.revision);
        OvFileVersion read;
        EXPECT_TRUE(OvBootstrapHelper::ReadSystemLibraryVersion(name, read));
        EXPECT_EQ(read.build, bare.build);
    }
    // Windows 7, and Wine, carry Windows Installer 4.5 or later.
    const OvFileVersion msi = GetFileVersion(L"msi.dll");
    EXPECT_TRUE(msi.major > 4 || (msi.major == 4 && msi.minor >= 5)) << msi.major << "." << msi.minor;
}

TEST_F(FileVersion, AMissingFileIsError2AndAbsent)
{
    for (const std::wstring& path : {std::wstring(L"ov-no-such-library.dll"), SystemFolder() + L"\\ov-no-such.dll"}) {
        const auto failure = FailureOf(path);
        EXPECT_EQ(failure.first, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(failure.second, L"GetFileVersionInfo failed.");
        OvFileVersion version;
        EXPECT_FALSE(OvBootstrapHelper::ReadSystemLibraryVersion(path.c_str(), version));
    }
}

TEST_F(FileVersion, AFileWithoutVersionDataIsError1812AndAbsent)
{
    const std::wstring path = Scratch() + L"plain.dll";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "not a program", 13, &written, nullptr);
    CloseHandle(file);

    // A file that is no program, and a program without a version resource (the idle
    // stand-in beside this program).
    const std::wstring self = ModulePath();
    const std::wstring idle = self.substr(0, self.find_last_of(L'\\') + 1) + L"idle.exe";
    ASSERT_NE(GetFileAttributesW(idle.c_str()), INVALID_FILE_ATTRIBUTES) << "no idle.exe beside the test";
    for (const std::wstring& file : {path, idle}) {
        SCOPED_TRACE(std::string(file.begin(), file.end()));
        const auto failure = FailureOf(file);
        EXPECT_EQ(failure.first, static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
        EXPECT_EQ(failure.second, L"GetFileVersionInfo failed.");
        OvFileVersion version;
        EXPECT_FALSE(OvBootstrapHelper::ReadSystemLibraryVersion(file.c_str(), version));
    }
}
}  // namespace
