// Windows Installer's answer for an upgrade code that is not a GUID. Windows answers
// ERROR_INVALID_PARAMETER (87), and winsim answers as Windows does; Wine's installer answers
// ERROR_NO_MORE_ITEMS (259, nothing found) instead, which this test records where it runs.
#include "PlatformTest.h"

namespace
{
using OvPlatformTest::PlatformTest;

class RelatedProducts : public PlatformTest
{
};

#ifdef _WIN32
bool RunsUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#else
bool RunsUnderWine()
{
    return false;
}
#endif

TEST_F(RelatedProducts, AnUpgradeCodeThatIsNotAGuid)
{
    const UINT expected = RunsUnderWine() ? ERROR_NO_MORE_ITEMS : ERROR_INVALID_PARAMETER;
    for (const wchar_t* code :
         {L"not-a-guid", L"5B1E2C47-8D3A-4F61-9C2B-7A4E0D9F1C36", L"{5B1E2C47-8D3A-4F61-9C2B-7A4E0D9F1C3}",
          L"{5B1E2C47-8D3A-4F61-9C2B-7A4E0D9F1C36} ", L""}) {
        wchar_t product[39] = {};
        EXPECT_EQ(MsiEnumRelatedProductsW(code, 0, 0, product), expected)
            << std::string(code, code + std::char_traits<wchar_t>::length(code));
    }
}

TEST_F(RelatedProducts, AGuidWithNothingUnderItIsNothingFound)
{
    for (const wchar_t* code : {L"{5B1E2C47-8D3A-4F61-9C2B-7A4E0D9F1C36}", L"{5b1e2c47-8d3a-4f61-9c2b-7a4e0d9f1c36}"}) {
        wchar_t product[39] = {};
        EXPECT_EQ(MsiEnumRelatedProductsW(code, 0, 0, product), static_cast<UINT>(ERROR_NO_MORE_ITEMS));
    }
}
}  // namespace
