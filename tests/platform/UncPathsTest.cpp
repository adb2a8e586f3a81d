// Media run from a network share: a \\server\share\... path stays a network path through
// the path, file and process calls, and never lands on a drive. Over winsim the share is
// the machine's own; under Wine it is a folder of the test prefix that Wine serves as
// \\server\share (dosdevices\unc\server\share). On real Windows without such a share the
// tests that need one skip.
#include "PlatformTest.h"

#include <string>
#include <vector>

#ifndef _WIN32
#include <filesystem>
#endif

namespace
{
using OvPlatformTest::PlatformTest;

const std::wstring kShare = L"\\\\server\\share\\";

class UncPaths : public PlatformTest
{
protected:
    // Makes \\server\share reachable and empty of our folders; false when it cannot be.
    static bool MakeShare()
    {
#ifdef _WIN32
        wchar_t prefix[MAX_PATH] = {};
        DWORD length = GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return false;
        // Wine maps / to Z:.
        std::wstring folder = L"Z:" + std::wstring(prefix, length);
        for (auto& c : folder)
            if (c == L'/') c = L'\\';
        for (const wchar_t* part : {L"\\dosdevices\\unc", L"\\server", L"\\share"}) {
            folder += part;
            CreateDirectoryW(folder.c_str(), nullptr);
        }
        const DWORD attributes = GetFileAttributesW(kShare.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
#else
        std::error_code ec;
        std::filesystem::create_directories(winsim::M().HostPath(kShare), ec);
        return !ec;
#endif
    }

    static bool Put(const std::wstring& path, const std::string& bytes)
    {
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        return ok && written == bytes.size();
    }
};

TEST_F(UncPaths, FullPathsKeepTheShareAsTheirRoot)
{
    struct Case {
        const wchar_t* in;
        const wchar_t* full;
        const wchar_t* filePart;  // null: none
    };
    const Case cases[] = {
        {L"\\\\server\\share\\Media\\Setup\\Setup.exe", L"\\\\server\\share\\Media\\Setup\\Setup.exe", L"Setup.exe"},
        {L"\\\\server\\share\\Media\\Setup\\..\\Redistr\\", L"\\\\server\\share\\Media\\Redistr\\", nullptr},
        // ".." never climbs above the share.
        {L"\\\\server\\share\\..\\..\\x", L"\\\\server\\share\\x", L"x"},
        {L"\\\\server\\share\\a\\.\\b\\", L"\\\\server\\share\\a\\b\\", nullptr},
        {L"//server/share/Media/Setup.exe", L"\\\\server\\share\\Media\\Setup.exe", L"Setup.exe"},
        {L"\\\\server\\share\\", L"\\\\server\\share\\", nullptr},
        {L"\\\\server\\share", L"\\\\server\\share", L"share"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.in, c.in + std::wstring(c.in).size()));
        wchar_t full[MAX_PATH] = {};
        wchar_t* filePart = full;
        DWORD length = GetFullPathNameW(c.in, MAX_PATH, full, &filePart);
        EXPECT_EQ(std::wstring(full), c.full);
        EXPECT_EQ(length, std::wstring(c.full).size());
        if (c.filePart == nullptr)
            EXPECT_EQ(filePart, nullptr);
        else
            EXPECT_EQ(std::wstring(filePart ? filePart : L"<null>"), c.filePart);
    }
}

TEST_F(UncPaths, FilesOnAShareAreTheShareFilesAndNoDriveFiles)
{
    if (!MakeShare()) GTEST_SKIP() << "no \\\\server\\share to test with (real Windows without it)";
    const std::wstring media = kShare + L"OvMedia";
    ASSERT_TRUE(CreateDirectoryW(media.c_str(), nullptr)) << GetLastError();
    ASSERT_TRUE(CreateDirectoryW((media + L"\\Setup").c_str(), nullptr)) << GetLastError();
    const std::wstring file = media + L"\\Setup\\KDRSettings.xml";
    ASSERT_TRUE(Put(file, "<settings/>")) << GetLastError();

    EXPECT_EQ(OvPlatformTest::ReadFileBytes(file), "<settings/>");
    // Names are found ignoring case, as on the drive.
    EXPECT_EQ(OvPlatformTest::ReadFileBytes(kShare + L"OVMEDIA" + L"\\setup\\kdrsettings.XML"), "<settings/>");
    EXPECT_EQ(GetFileAttributesW((media + L"\\Setup").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((media + L"\\Setup\\*.xml").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_EQ(std::wstring(found.cFileName), L"KDRSettings.xml");
    FindClose(search);

    // The same folders on the current drive hold nothing.
    const std::wstring onDrive = L"C:\\server\\share\\OvMedia";
    EXPECT_EQ(GetFileAttributesW(onDrive.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(L"C:\\server"), INVALID_FILE_ATTRIBUTES);

    // A missing file and a missing folder on the share give the drive's answers.
    EXPECT_EQ(GetFileAttributesW((media + L"\\Setup\\none.xml").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesW((media + L"\\none\\none.xml").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    EXPECT_TRUE(DeleteFileW(file.c_str())) << GetLastError();
    EXPECT_TRUE(RemoveDirectoryW((media + L"\\Setup").c_str())) << GetLastError();
    EXPECT_TRUE(RemoveDirectoryW(media.c_str())) << GetLastError();
}

TEST_F(UncPaths, AProgramOnAShareStartsFromItsNetworkPath)
{
    if (!MakeShare()) GTEST_SKIP() << "no \\\\server\\share to test with (real Windows without it)";
    const std::wstring folder = kShare + L"OvRun";
    const std::wstring program = folder + L"\\Setup.exe";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << GetLastError();
#ifdef _WIN32
    // The idle stand-in beside this program, copied onto the share: it ends with 0 after
    // the seconds given.
    wchar_t self[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
    std::wstring idle = self;
    idle = idle.substr(0, idle.find_last_of(L'\\') + 1) + L"idle.exe";
    bool found = false;
    const std::string image = OvPlatformTest::ReadFileBytes(idle, &found);
    ASSERT_TRUE(found) << "no idle.exe beside the test";
    ASSERT_TRUE(Put(program, image)) << GetLastError();
#else
    ASSERT_TRUE(Put(program, "MZ")) << GetLastError();
    winsim::M().programs[program] = winsim::ProgramModel{0, nullptr, 1000};
#endif
    std::wstring commandLine = L"\"" + program + L"\" 1";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process))
        << GetLastError();
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 0xDEAD;
    EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code));
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
#ifndef _WIN32
    ASSERT_FALSE(winsim::M().started.empty());
    EXPECT_EQ(winsim::M().started.back().image, program);
    EXPECT_EQ(winsim::M().started.back().commandLine, commandLine);
#endif
    EXPECT_TRUE(DeleteFileW(program.c_str())) << GetLastError();
    EXPECT_TRUE(RemoveDirectoryW(folder.c_str())) << GetLastError();
}
}  // namespace
