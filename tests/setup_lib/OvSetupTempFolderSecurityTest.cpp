// The setup temp folders as an administrator's run makes them: the temp folder with the
// protected descriptor, given it again when it exists; a parent folder left as it is unless
// someone else than Administrators or SYSTEM owns it; a link in their place refused.
#include "setup_lib/OvSetupTempFolder.h"

#include "setup_lib/OvWinError.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <filesystem>

using OvSetupLib::OvWinError;

namespace
{
namespace fs = std::filesystem;

// The folder as a run asks for it: the program's log and the installers' logs are written there.
OvSetupLib::OvMsiString TempFolderForTheLogs()
{
    return OvSetupLib::GetSetupTempFolder({L"StowenBootstrap.log", L"WI45.log", L"WIC.log", L"NET40.htm"});
}

const wchar_t kDacl[] = L"P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
const wchar_t* const kFolders[] = {L"C:\\ProgramData\\Orvale", L"C:\\ProgramData\\Orvale\\Setup",
                                   L"C:\\ProgramData\\Orvale\\Setup\\Temp"};

class SetupTempFolderSecurityTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;

    static winsim::Machine& M() { return winsim::M(); }

    // The folders (indexes into kFolders) that were given the descriptor, in order.
    static void ExpectRecords(const char* function, std::vector<std::size_t> folders = {2})
    {
        const auto& records = M().securityRecords;
        ASSERT_EQ(records.size(), folders.size());
        for (std::size_t i = 0; i < folders.size(); ++i) {
            EXPECT_EQ(records[i].function, function);
            EXPECT_EQ(records[i].hostPath, M().HostPath(kFolders[folders[i]]));
            EXPECT_EQ(records[i].owner, L"BA");
            EXPECT_EQ(records[i].dacl, kDacl);
        }
    }

    static DWORD ErrorOf()
    {
        try {
            TempFolderForTheLogs();
        } catch (const OvWinError& e) {
            return e.ErrorCode();
        }
        return 0;
    }
};

TEST_F(SetupTempFolderSecurityTest, NewFoldersAreBornWithTheDescriptor)
{
    for (HRESULT result : {S_OK, E_FAIL}) {
        winsim::Reset();
        M().commonAppDataResult = result;
        EXPECT_EQ(TempFolderForTheLogs(), L"C:\\ProgramData\\Orvale\\Setup\\Temp\\");
        // The common folder, made only when missing, is not ours to lock down, nor are the
        // parents, whose access lists the installed product's data below them inherits.
        ExpectRecords("CreateDirectoryW");
        for (const wchar_t* folder : kFolders)
            EXPECT_TRUE(fs::is_directory(M().HostPath(folder)));
        EXPECT_EQ(M().OpenHandles(), 0);
    }
}

TEST_F(SetupTempFolderSecurityTest, AnExistingTempFolderIsGivenTheDescriptorAgainItsParentsAreLeft)
{
    M().WriteFile(L"C:\\ProgramData\\Orvale\\Setup\\Temp\\old.log", "x");
    EXPECT_EQ(TempFolderForTheLogs(), L"C:\\ProgramData\\Orvale\\Setup\\Temp\\");
    // Run after run: only the temp folder, never the parents that Administrators own.
    EXPECT_EQ(TempFolderForTheLogs(), L"C:\\ProgramData\\Orvale\\Setup\\Temp\\");
    ASSERT_EQ(M().securityRecords.size(), 2u);
    M().securityRecords.pop_back();
    ExpectRecords("SetSecurityInfo");
    EXPECT_EQ(M().ReadFile(L"C:\\ProgramData\\Orvale\\Setup\\Temp\\old.log"), "x");
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(SetupTempFolderSecurityTest, AParentFolderIsTakenOverOnlyWhenSomeoneElseOwnsIt)
{
    struct {
        const char* what;
        const wchar_t* owner;
        bool takenOver;
    } cases[] = {
        {"a user made it in advance", L"S-1-5-21-1004336348-1177238915-682003330-1001", true},
        {"Administrators", L"BA", false},
        {"Administrators by SID", L"S-1-5-32-544", false},
        {"SYSTEM", L"SY", false},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        fs::create_directories(M().HostPath(kFolders[1]));
        M().owners[M().HostPath(kFolders[0])] = c.owner;
        M().owners[M().HostPath(kFolders[1])] = c.owner;
        EXPECT_EQ(TempFolderForTheLogs(), L"C:\\ProgramData\\Orvale\\Setup\\Temp\\") << c.what;
        const auto& records = M().securityRecords;
        ASSERT_EQ(records.size(), c.takenOver ? 3u : 1u) << c.what;
        if (c.takenOver) {
            for (std::size_t i = 0; i < 2; ++i) {
                EXPECT_EQ(records[i].function, "SetSecurityInfo") << c.what;
                EXPECT_EQ(records[i].hostPath, M().HostPath(kFolders[i])) << c.what;
                EXPECT_EQ(records[i].owner, L"BA") << c.what;
                EXPECT_EQ(records[i].dacl, kDacl) << c.what;
            }
        }
        EXPECT_EQ(records.back().function, "CreateDirectoryW") << c.what;
        EXPECT_EQ(records.back().hostPath, M().HostPath(kFolders[2])) << c.what;
        EXPECT_EQ(M().OpenHandles(), 0) << c.what;
    }
}

TEST_F(SetupTempFolderSecurityTest, ALinkOrAFileInPlaceOfAFolderIsRefused)
{
    enum class Put { linkToFolder, danglingLink, linkToFile, file };
    struct Case {
        int level;  // index into kFolders
        Put put;
        DWORD error;
    };
    const Case cases[] = {
        {0, Put::linkToFolder, ERROR_STOPPED_ON_SYMLINK},
        {1, Put::linkToFolder, ERROR_STOPPED_ON_SYMLINK},
        {2, Put::linkToFolder, ERROR_STOPPED_ON_SYMLINK},
        {2, Put::danglingLink, ERROR_STOPPED_ON_SYMLINK},
        {2, Put::linkToFile, ERROR_STOPPED_ON_SYMLINK},
        {2, Put::file, ERROR_DIRECTORY},
        {0, Put::file, ERROR_DIRECTORY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level << " kind " << static_cast<int>(c.put));
        winsim::Reset();
        // Where an unprivileged user would point the link.
        M().WriteFile(L"C:\\Users\\Public\\target\\mine.txt", "mine");
        const std::string target = M().HostPath(L"C:\\Users\\Public\\target");
        for (int i = 0; i < c.level; ++i)
            fs::create_directories(M().HostPath(kFolders[i]));
        const std::string at = M().HostPath(kFolders[c.level]);
        fs::create_directories(fs::path(at).parent_path());
        switch (c.put) {
            case Put::linkToFolder:
                fs::create_directory_symlink(target, at);
                break;
            case Put::danglingLink:
                fs::create_directory_symlink(target + "-nowhere", at);
                break;
            case Put::linkToFile:
                fs::create_symlink(target + "/mine.txt", at);
                break;
            case Put::file:
                M().WriteFile(kFolders[c.level], "not a folder");
                break;
        }
        EXPECT_EQ(ErrorOf(), c.error);
        // Nothing was made or re-secured through the link.
        for (const auto& record : M().securityRecords)
            EXPECT_EQ(record.hostPath.find(at), std::string::npos) << record.function;
        EXPECT_FALSE(fs::exists(target + "/Setup"));
        EXPECT_FALSE(fs::exists(target + "/Temp"));
        EXPECT_EQ(M().ReadFile(L"C:\\Users\\Public\\target\\mine.txt"), "mine");
        EXPECT_EQ(M().OpenHandles(), 0);
    }
}

TEST_F(SetupTempFolderSecurityTest, LinkedFilesLeftInAnExistingTempFolderGo)
{
    const std::wstring temp = L"C:\\ProgramData\\Orvale\\Setup\\Temp\\";
    M().WriteFile(L"C:\\Windows\\system32\\a.dll", "a");
    M().WriteFile(L"C:\\Windows\\system32\\b.dll", "b");
    M().WriteFile(temp + L"WI45.log", "old log");
    fs::create_symlink(M().HostPath(L"C:\\Windows\\system32\\a.dll"), M().HostPath(temp + L"NET40.htm"));
    fs::create_hard_link(M().HostPath(L"C:\\Windows\\system32\\b.dll"), M().HostPath(temp + L"WIC.log"));
    fs::create_symlink(M().HostPath(L"C:\\Windows\\system32\\a.dll") + ".none",
                       M().HostPath(temp + L"StowenBootstrap.log"));
    // Names the caller does not write are not its business.
    fs::create_symlink(M().HostPath(L"C:\\Windows\\system32\\a.dll"), M().HostPath(temp + L"other.txt"));

    EXPECT_EQ(TempFolderForTheLogs(), temp);
    for (const wchar_t* gone : {L"NET40.htm", L"WIC.log", L"StowenBootstrap.log"})
        EXPECT_FALSE(fs::exists(fs::symlink_status(M().HostPath(temp + gone)))) << winsim::Narrow(gone);
    EXPECT_EQ(M().ReadFile(temp + L"WI45.log"), "old log");
    EXPECT_TRUE(fs::is_symlink(M().HostPath(temp + L"other.txt")));
    EXPECT_EQ(M().ReadFile(L"C:\\Windows\\system32\\a.dll"), "a");
    EXPECT_EQ(M().ReadFile(L"C:\\Windows\\system32\\b.dll"), "b");
    EXPECT_EQ(M().OpenHandles(), 0);
}

// Only the names the caller is about to write are checked: the installer that writes WIC.log
// checks it again when it starts.
TEST_F(SetupTempFolderSecurityTest, OnlyTheNamesTheCallerWritesAreChecked)
{
    const std::wstring temp = L"C:\\ProgramData\\Orvale\\Setup\\Temp\\";
    M().WriteFile(L"C:\\Windows\\system32\\a.dll", "a");
    fs::create_directories(M().HostPath(temp));
    fs::create_symlink(M().HostPath(L"C:\\Windows\\system32\\a.dll"), M().HostPath(temp + L"WIC.log"));
    fs::create_symlink(M().HostPath(L"C:\\Windows\\system32\\a.dll"), M().HostPath(temp + L"NET40.htm"));
    EXPECT_EQ(OvSetupLib::GetSetupTempFolder({L"NET40.htm"}), temp);
    EXPECT_FALSE(fs::exists(fs::symlink_status(M().HostPath(temp + L"NET40.htm"))));
    EXPECT_TRUE(fs::is_symlink(M().HostPath(temp + L"WIC.log")));
    EXPECT_EQ(OvSetupLib::GetSetupTempFolder({L"WIC.log"}), temp);
    EXPECT_FALSE(fs::exists(fs::symlink_status(M().HostPath(temp + L"WIC.log"))));
    EXPECT_EQ(M().ReadFile(L"C:\\Windows\\system32\\a.dll"), "a");
    EXPECT_EQ(M().OpenHandles(), 0);
}

// A junction or directory symbolic link under a log name goes too (as a folder), and the
// folder it leads to keeps what it holds; a plain folder of that name stays.
TEST_F(SetupTempFolderSecurityTest, ADirectoryLinkUnderALogNameGoes)
{
    const std::wstring temp = L"C:\\ProgramData\\Orvale\\Setup\\Temp\\";
    M().WriteFile(L"C:\\Users\\Public\\bait\\keep", "keep");
    M().WriteFile(temp + L"NET40.htm\\inside", "plain folder");
    fs::create_directory_symlink(M().HostPath(L"C:\\Users\\Public\\bait"), M().HostPath(temp + L"WIC.log"));
    for (int run = 1; run <= 2; ++run) {
        EXPECT_EQ(TempFolderForTheLogs(), temp) << "run " << run;
        EXPECT_FALSE(fs::exists(fs::symlink_status(M().HostPath(temp + L"WIC.log")))) << "run " << run;
    }
    EXPECT_EQ(M().ReadFile(L"C:\\Users\\Public\\bait\\keep"), "keep");
    EXPECT_EQ(M().ReadFile(temp + L"NET40.htm\\inside"), "plain folder");
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(SetupTempFolderSecurityTest, ALinkedFileThatCannotGoRefusesTheFolder)
{
    const std::wstring temp = L"C:\\ProgramData\\Orvale\\Setup\\Temp\\";
    M().WriteFile(L"C:\\Users\\Public\\x", "x");
    fs::create_directories(M().HostPath(temp));
    fs::create_symlink(M().HostPath(L"C:\\Users\\Public\\x"), M().HostPath(temp + L"WIC.log"));
    M().faults["DeleteFileW"] = {ERROR_ACCESS_DENIED, -1, 0};
    EXPECT_EQ(ErrorOf(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(SetupTempFolderSecurityTest, FailuresOfTheSecurityCallsThrowTheirCodes)
{
    struct Case {
        const char* function;
        bool existing;
        DWORD error;
    };
    const Case cases[] = {
        {"ConvertStringSecurityDescriptorToSecurityDescriptorW", false, ERROR_NOT_ENOUGH_MEMORY},
        {"SetSecurityInfo", true, ERROR_ACCESS_DENIED},
        {"CreateFileW", true, ERROR_ACCESS_DENIED},
        {"GetFileInformationByHandle", true, ERROR_INVALID_FUNCTION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        winsim::Reset();
        if (c.existing) fs::create_directories(M().HostPath(kFolders[2]));
        M().faults[c.function] = {c.error, -1, 0};
        EXPECT_EQ(ErrorOf(), c.error);
        EXPECT_TRUE(M().securityRecords.empty());
        EXPECT_EQ(M().OpenHandles(), 0);
    }
}

TEST_F(SetupTempFolderSecurityTest, APlainUsersRunMakesThemAsBefore)
{
    M().isAdmin = false;
    EXPECT_EQ(TempFolderForTheLogs(), L"C:\\ProgramData\\Orvale\\Setup\\Temp\\");
    for (const wchar_t* folder : kFolders)
        EXPECT_TRUE(fs::is_directory(M().HostPath(folder)));
    EXPECT_TRUE(M().securityRecords.empty());
}

TEST_F(SetupTempFolderSecurityTest, AnUnanswerableMembershipQueryTakesTheProtectedRoad)
{
    M().membershipQueryFails = true;
    TempFolderForTheLogs();
    ExpectRecords("CreateDirectoryW");
}
}  // namespace
