// Directory links are folders to the file calls: DeleteFileW refuses them as it refuses a
// folder, RemoveDirectoryW removes the link and leaves what it leads to.
#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <filesystem>

namespace
{
namespace fs = std::filesystem;
using winsim::M;

TEST(SimulatedLinks, ADirectoryLinkIsRemovedAsAFolderNotDeletedAsAFile)
{
    winsim::MachineScope machine;
    M().WriteFile(L"C:\\Target\\keep.txt", "keep");
    M().WriteFile(L"C:\\Temp\\file.txt", "f");
    fs::create_directory_symlink(M().HostPath(L"C:\\Target"), M().HostPath(L"C:\\Temp\\WIC.log"));

    EXPECT_FALSE(DeleteFileW(L"C:\\Temp\\WIC.log"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(DeleteFileW(L"C:\\Target"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    HANDLE link = CreateFileW(L"C:\\Temp\\WIC.log", FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    ASSERT_NE(link, INVALID_HANDLE_VALUE);
    BY_HANDLE_FILE_INFORMATION info{};
    EXPECT_TRUE(GetFileInformationByHandle(link, &info));
    EXPECT_EQ(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_EQ(info.nNumberOfLinks, 1u);
    CloseHandle(link);

    EXPECT_FALSE(RemoveDirectoryW(L"C:\\Temp\\file.txt"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
    EXPECT_FALSE(RemoveDirectoryW(L"C:\\Target"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
    EXPECT_TRUE(RemoveDirectoryW(L"C:\\Temp\\WIC.log"));
    EXPECT_FALSE(M().Exists(L"C:\\Temp\\WIC.log"));
    EXPECT_EQ(M().ReadFile(L"C:\\Target\\keep.txt"), "keep");
    EXPECT_EQ(M().OpenHandles(), 0);
}
}  // namespace
