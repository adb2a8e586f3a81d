#include "setup_lib/OvMsiString.h"
#include "setup_lib/OvStrings.h"

#include <gtest/gtest.h>

using OvSetupLib::OvMsiString;

TEST(OvMsiStringFormat, WideStringDirectives)
{
    OvMsiString s;
    s.Format(L"Please install %s to proceed with %s installation.", L"X", L"Keldora");
    EXPECT_EQ(s, L"Please install X to proceed with Keldora installation.");
}

TEST(LoadResourceStringSmoke, ReadsTheCompiledTable)
{
    OvMsiString s;
    EXPECT_EQ(OvSetupLib::LoadResourceString(102, s), L"Keldora");
}
