// The system's text of a message with an insert (%1): given with its insert when inserts
// are ignored; without FORMAT_MESSAGE_IGNORE_INSERTS and no arguments the call fails with
// ERROR_INVALID_PARAMETER, as Windows and Wine do, whether or not the buffer is allocated.
#include "PlatformTest.h"

#include <string>

namespace
{
using OvPlatformTest::PlatformTest;

class FormatMessages : public PlatformTest
{
};

TEST_F(FormatMessages, AnInsertWithoutArgumentsFailsUnlessInsertsAreIgnored)
{
    // Wine's texts are its own ("Bad EXE format for %1."); both hold the insert.
    EXPECT_NE(OvPlatformTest::SystemText(193).find(L"%1"), std::wstring::npos);
    for (DWORD allocate : {DWORD{0}, DWORD{FORMAT_MESSAGE_ALLOCATE_BUFFER}}) {
        SCOPED_TRACE(allocate);
        wchar_t text[512] = {};
        wchar_t* allocated = nullptr;
        LPWSTR target = allocate ? reinterpret_cast<LPWSTR>(&allocated) : text;
        SetLastError(0);
        EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | allocate, nullptr, 193, 0x0400, target, 512, nullptr),
                  0u);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(allocated, nullptr);
    }
    // A message without inserts is given whole either way.
    wchar_t text[512] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 2, 0x0400, text, 512, nullptr);
    EXPECT_GT(length, 0u) << GetLastError();
    EXPECT_EQ(std::wstring(text, length), OvPlatformTest::SystemText(2));
}
}  // namespace
