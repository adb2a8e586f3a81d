// The stop boxes' texts: each row filled in with the product name, as many times as it asks.
#include "bootstrap_helper/OvConditionCheckMutex.h"
#include "bootstrap_helper/OvConditionOS64Bit.h"
#include "bootstrap_helper/OvConditionOSVersion.h"
#include "bootstrap_helper/OvConditionUserAdmin.h"
#include "bootstrap_helper/OvProductText.h"
#include "bootstrap_helper/OvRedistrDotNet.h"
#include "bootstrap_helper/OvRedistrWI45.h"
#include "bootstrap_helper/OvRedistrWIC.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <functional>

namespace
{
using OvSetupLib::OvMsiString;

const wchar_t kUnsupported[] =
    L"Your operating system is not supported by Maritane. See documentation for more details.";

TEST(ProductText, FillsEveryDirectiveWithTheProductName)
{
    winsim::MachineScope machine;
    struct Case {
        const char* what;
        WORD row;
        const wchar_t* productName;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"no directive", 502, L"Maritane", L"Local Administrator privileges are required to install this package."},
        {"one directive", 504, L"Maritane", L"Only one instance of Maritane Setup is allowed."},
        {"two directives", 507, L"Maritane",
         L"Setup was unable to install Microsoft .NET Framework 4.0, which is a required prerequisite for Maritane "
         L"Setup. You need to manually install .NET Framework and re-run Maritane setup."},
        {"no product name", 504, nullptr, L"Only one instance of  Setup is allowed."},
        {"a missing row", 999, L"Maritane", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OvBootstrapHelper::ProductText(c.row, c.productName), OvMsiString(c.text)) << c.what;
}

// Every stop condition and prerequisite shows its own row through it.
TEST(ProductText, IsWhatTheStopBoxesShow)
{
    winsim::MachineScope machine;
    OvBootstrapHelper::OvConditionCheckMutex singleInstance(L"first", L"second", nullptr);
    OvBootstrapHelper::OvConditionUserAdmin userAdmin;
    OvBootstrapHelper::OvConditionOS64Bit os64Bit;
    OvBootstrapHelper::OvConditionOSVersion osVersion(6, 0, {});
    OvBootstrapHelper::OvRedistrWI45 windowsInstaller;
    OvBootstrapHelper::OvRedistrWIC imagingComponent;
    OvBootstrapHelper::OvRedistrDotNet dotNetFramework;
    const std::pair<std::function<OvMsiString()>, WORD> shown[] = {
        {[&] { return singleInstance.GetMessage(L"Maritane"); }, 504},
        {[&] { return userAdmin.GetMessage(L"Maritane"); }, 502},
        {[&] { return os64Bit.GetMessage(L"Maritane"); }, 505},
        {[&] { return osVersion.GetMessage(L"Maritane"); }, 503},
        {[&] { return windowsInstaller.GetErrorMessage(L"Maritane"); }, 514},
        {[&] { return imagingComponent.GetErrorMessage(L"Maritane"); }, 516},
        {[&] { return dotNetFramework.GetErrorMessage(L"Maritane"); }, 507},
    };
    for (const auto& [message, row] : shown) {
        const OvMsiString text = message();
        EXPECT_EQ(text, OvBootstrapHelper::ProductText(row, L"Maritane")) << "row " << row;
        EXPECT_EQ(text.find(L'%'), OvMsiString::npos) << "row " << row;
    }
    EXPECT_EQ(os64Bit.GetMessage(L"Maritane"), kUnsupported);
}
}  // namespace
