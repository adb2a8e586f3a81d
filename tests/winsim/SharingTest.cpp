// Sharing with other programs that hold a file open: each side's sharing must allow what
// the other side does with the file, as Windows decides.
#include <gtest/gtest.h>
#include <winsim/Machine.h>

namespace
{
using winsim::M;

const wchar_t* const kFile = L"C:\\Media\\KDRSettings.xml";

TEST(SimulatedSharing, EachSidesSharingMustAllowTheOthersAccess)
{
    struct {
        const char* what;
        DWORD otherAccess, otherShare;  // the other program's handle
        DWORD access, share;            // this open
        bool opens;
    } cases[] = {
        {"an editor writing, this read sharing read only", GENERIC_READ | GENERIC_WRITE,
         FILE_SHARE_READ | FILE_SHARE_WRITE, GENERIC_READ, FILE_SHARE_READ, false},
        {"an editor writing, this read sharing read and write", GENERIC_READ | GENERIC_WRITE,
         FILE_SHARE_READ | FILE_SHARE_WRITE, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
        {"a writer that shares no reading", GENERIC_WRITE, FILE_SHARE_WRITE, GENERIC_READ,
         FILE_SHARE_READ | FILE_SHARE_WRITE, false},
        {"a reader sharing reading", GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, true},
        {"a reader that shares no writing, this write", GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE,
         FILE_SHARE_READ | FILE_SHARE_WRITE, false},
        {"an exclusive holder, attributes only", GENERIC_READ | GENERIC_WRITE, 0, FILE_READ_ATTRIBUTES, 0, true},
    };
    for (const auto& c : cases) {
        winsim::MachineScope machine;
        M().WriteFile(kFile, "<a/>\n");
        M().openElsewhere[kFile] = {c.otherAccess, c.otherShare};
        HANDLE h = CreateFileW(L"c:\\MEDIA\\kdrsettings.xml", c.access, c.share, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << c.what;
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        } else {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << c.what;
        }
    }
}
}  // namespace
