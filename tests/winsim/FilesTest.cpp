// The simulated file system: full path names and the mapping of Windows paths.
#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <filesystem>

using winsim::M;

namespace
{
class SimulatedFilesTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

TEST_F(SimulatedFilesTest, FullPathNames)
{
    // The current folder is C:\Users\Admin\.
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\a\\b\\..\\c", L"C:\\a\\c"},
        {L"C:\\a\\.\\b", L"C:\\a\\b"},
        {L"x.txt", L"C:\\Users\\Admin\\x.txt"},
        {L"..\\x", L"C:\\Users\\x"},
        {L".\\x\\", L"C:\\Users\\Admin\\x\\"},  // a trailing backslash stays
        {L"C:\\Media\\Setup\\", L"C:\\Media\\Setup\\"},
        {L"C:\\..\\..\\x", L"C:\\x"},  // never above the root
        {L"\\Windows", L"C:\\Windows"},
        {L"C:x", L"C:\\Users\\Admin\\x"},  // relative to the current folder of that drive
        {L"D:x", L"D:\\x"},
        {L"C:/a/b", L"C:\\a\\b"},
        {L"C:", L"C:\\Users\\Admin"},
        {L"D:", L"D:\\"},
    };
    for (auto& c : cases) {
        wchar_t buffer[261] = {};
        wchar_t* filePart = nullptr;
        DWORD n = GetFullPathNameW(c.first, 261, buffer, &filePart);
        EXPECT_EQ(std::wstring(buffer), c.second) << winsim::Narrow(c.first);
        EXPECT_EQ(n, std::wcslen(c.second)) << winsim::Narrow(c.first);
    }
}

TEST_F(SimulatedFilesTest, FullPathNameBufferRules)
{
    const wchar_t* path = L"C:\\Media\\Setup\\Setup.exe";  // 24 characters
    wchar_t buffer[64];
    std::wmemset(buffer, L'#', 64);
    // Too small, by one and by more: the size needed with the terminator, nothing written.
    EXPECT_EQ(GetFullPathNameW(path, 24, buffer, nullptr), 25u);
    EXPECT_EQ(buffer[0], L'#');
    EXPECT_EQ(GetFullPathNameW(path, 0, nullptr, nullptr), 25u);
    // Exactly large enough: the length without the terminator.
    wchar_t* filePart = nullptr;
    EXPECT_EQ(GetFullPathNameW(path, 25, buffer, &filePart), 24u);
    EXPECT_EQ(std::wstring(buffer), path);
    ASSERT_NE(filePart, nullptr);
    EXPECT_EQ(std::wstring(filePart), L"Setup.exe");
    GetFullPathNameW(L"C:\\Media\\", 64, buffer, &filePart);
    EXPECT_EQ(filePart, nullptr);
    // No name at all.
    EXPECT_EQ(GetFullPathNameW(L"", 64, buffer, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(GetFullPathNameW(nullptr, 64, buffer, nullptr), 0u);
}

TEST_F(SimulatedFilesTest, PathsMapIgnoringCase)
{
    M().WriteFile(L"C:\\Media\\Setup\\Setup.exe", "MZ");
    EXPECT_TRUE(M().Exists(L"c:\\MEDIA\\setup\\SETUP.EXE"));
    EXPECT_EQ(M().ReadFile(L"C:\\media\\SETUP\\setup.exe").value_or(""), "MZ");
    EXPECT_EQ(M().HostPath(L"c:\\media\\setup\\setup.exe"), M().HostPath(L"C:\\Media\\Setup\\Setup.exe"));

    // Writing through another spelling changes the one file, and makes no second one.
    HANDLE h = CreateFileW(L"C:\\MEDIA\\SETUP\\SETUP.EXE", GENERIC_WRITE, 3, nullptr, OPEN_ALWAYS, 0x80, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_END), 2u);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, "!!", 2, &written, nullptr));
    EXPECT_EQ(written, 2u);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(M().ReadFile(L"C:\\Media\\Setup\\Setup.exe").value_or(""), "MZ!!");
    std::size_t entries = 0;
    for (auto& e : std::filesystem::directory_iterator(std::filesystem::path(M().HostPath(L"C:\\Media\\Setup"))))
        entries += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(entries, 1u);
}

TEST_F(SimulatedFilesTest, DotDotNeverLeavesTheMachine)
{
    std::string root = M().HostPath(L"C:\\");
    for (const wchar_t* path : {L"C:\\..\\..\\..\\etc\\passwd", L"C:\\a\\..\\..\\..\\x", L"..\\..\\..\\..\\y"}) {
        std::string host = M().HostPath(path);
        EXPECT_EQ(host.compare(0, root.size(), root), 0) << host;
        EXPECT_EQ(host.find(".."), std::string::npos) << host;
    }
}

TEST_F(SimulatedFilesTest, MountedFoldersMapOntoTheirHostFolder)
{
    std::string media = M().hostRoot + "/media-image";
    std::filesystem::create_directories(media + "/Setup");
    M().mounts.push_back({L"E:\\", media});
    EXPECT_EQ(M().HostPath(L"E:\\SETUP\\x.dat"), media + "/Setup/x.dat");
    EXPECT_EQ(GetFileAttributesW(L"e:\\setup"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(SimulatedFilesTest, MissingFilesAndFoldersGiveTheirCodes)
{
    M().WriteFile(L"C:\\Media\\a.txt", "a");
    struct Case {
        const wchar_t* path;
        DWORD code;
    };
    const Case cases[] = {{L"C:\\Media\\b.txt", ERROR_FILE_NOT_FOUND}, {L"C:\\Nowhere\\b.txt", ERROR_PATH_NOT_FOUND}};
    for (auto& c : cases) {
        EXPECT_EQ(CreateFileW(c.path, GENERIC_READ, 1, nullptr, OPEN_EXISTING, 0x80, nullptr), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.code) << winsim::Narrow(c.path);
        EXPECT_EQ(GetFileAttributesW(c.path), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetLastError(), c.code) << winsim::Narrow(c.path);
        WIN32_FIND_DATAW data;
        EXPECT_EQ(FindFirstFileW(c.path, &data), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.code) << winsim::Narrow(c.path);
    }
    EXPECT_EQ(M().OpenHandles(), 0);
}
}  // namespace
