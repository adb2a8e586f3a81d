// A settings file that another program holds open for writing (an editor, a copy in
// progress) is still loaded, and an open that shares reading only is refused then: on
// Windows another handle holds the file, on the host winsim's other program does.
#include "PlatformTest.h"

#include "setup_lib/OvXmlDocument.h"

namespace
{
using OvPlatformTest::PlatformTest;

class SettingsSharing : public PlatformTest
{
};

TEST_F(SettingsSharing, AFileHeldOpenForWritingIsStillLoaded)
{
    const std::wstring path = Scratch() + L"KDRSettings.xml";
    const char text[] = "<Settings>\r\n  <product name=\"K\" minver=\"6.0\">\r\n  </product>\r\n</Settings>\r\n";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, text, sizeof text - 1, &written, nullptr));
    CloseHandle(file);

#ifdef _WIN32
    HANDLE other = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE) << GetLastError();
#else
    winsim::M().openElsewhere[path] = {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
#endif
    HANDLE readOnlyShare = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(readOnlyShare, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (readOnlyShare != INVALID_HANDLE_VALUE) CloseHandle(readOnlyShare);

    OvSetupLib::OvXmlDocument document{OvSetupLib::OvMsiString(path.c_str())};
    EXPECT_TRUE(document.IsLoaded());
    ASSERT_NE(document.GetRoot(), nullptr);
    EXPECT_EQ(document.GetRoot()->FindElements(L"product").size(), 1u);
#ifdef _WIN32
    CloseHandle(other);
#endif
}
}  // namespace
