// A link to a folder (a directory symbolic link) is a folder and a reparse point to the
// calls that look at the link itself, and only a folder to a handle opened through it.
// Wine limitation: Wine 8 keeps no links; CreateSymbolicLinkW succeeds and makes nothing,
// so under Wine these tests skip, and so they do on Windows without the privilege.
#include "PlatformTest.h"

#include <string>

namespace
{
using OvPlatformTest::PlatformTest;

constexpr DWORD kLinkBits = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

class FolderLinks : public PlatformTest
{
protected:
    std::wstring target_, link_;

    // Makes Scratch()\target with a file and Scratch()\link leading to it; false (the test
    // skipped) when the system keeps no link.
    bool MakeLink()
    {
        target_ = Scratch() + L"target";
        link_ = Scratch() + L"link";
        EXPECT_TRUE(CreateDirectoryW(target_.c_str(), nullptr)) << GetLastError();
        HANDLE file = CreateFileW((target_ + L"\\inside.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
        DWORD written = 0;
        WriteFile(file, "in", 2, &written, nullptr);
        CloseHandle(file);
        if (!CreateSymbolicLinkW(link_.c_str(), target_.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
            return false;
        }
        // Wine's CreateSymbolicLinkW reports success and leaves nothing.
        return GetFileAttributesW(link_.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    void TearDown() override
    {
        if (!link_.empty()) RemoveDirectoryW(link_.c_str());
        if (!target_.empty()) {
            DeleteFileW((target_ + L"\\inside.txt").c_str());
            RemoveDirectoryW(target_.c_str());
        }
        PlatformTest::TearDown();
    }
};

TEST_F(FolderLinks, TheLinkItselfIsAFolderAndAReparsePoint)
{
    if (!MakeLink()) GTEST_SKIP() << "no folder link could be made (Wine keeps none; Windows needs the privilege)";
    EXPECT_EQ(GetFileAttributesW(link_.c_str()) & kLinkBits, kLinkBits);
    EXPECT_EQ(GetFileAttributesW(target_.c_str()) & kLinkBits, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(link_.c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_EQ(std::wstring(found.cFileName), L"link");
    EXPECT_EQ(found.dwFileAttributes & kLinkBits, kLinkBits);
    FindClose(search);

    // Opened as the link: a reparse point; opened through it: the folder it leads to.
    struct Open {
        DWORD flags;
        DWORD bits;
    };
    for (const Open& open : {Open{FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, kLinkBits},
                             Open{FILE_FLAG_BACKUP_SEMANTICS, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY)}}) {
        SCOPED_TRACE(open.flags);
        HANDLE handle = CreateFileW(link_.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, open.flags, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE) << GetLastError();
        BY_HANDLE_FILE_INFORMATION info{};
        EXPECT_TRUE(GetFileInformationByHandle(handle, &info)) << GetLastError();
        EXPECT_EQ(info.dwFileAttributes & kLinkBits, open.bits);
        CloseHandle(handle);
    }

    // What is inside is reached through the link; removing the link leaves it.
    EXPECT_EQ(OvPlatformTest::ReadFileBytes(link_ + L"\\inside.txt"), "in");
    EXPECT_FALSE(DeleteFileW(link_.c_str()));
    EXPECT_TRUE(RemoveDirectoryW(link_.c_str())) << GetLastError();
    EXPECT_EQ(GetFileAttributesW(link_.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(OvPlatformTest::ReadFileBytes(target_ + L"\\inside.txt"), "in");
}
}  // namespace
