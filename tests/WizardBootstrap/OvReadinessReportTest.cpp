// The readiness report's JSON: every text escaped so that any reader can parse it, and a
// value name read more than once kept as a list rather than a repeated key.
#include "WizardBootstrap/OvReadinessReport.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

using namespace OvWizardBootstrap;

namespace
{
TEST(ReadinessJson, TextsAreEscapedIntoAscii)
{
    OvReadiness readiness;
    readiness.product = L"K\"e\\l\td\x00e9ra\x20ac";
    const std::string json = ReadinessJson(readiness);
    EXPECT_NE(json.find("\"product\": \"K\\\"e\\\\l\\u0009d\\u00e9ra\\u20ac\""), std::string::npos) << json;
    for (char c : json)
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << static_cast<int>(c);
    EXPECT_EQ(json,
              "{\n  \"product\": \"K\\\"e\\\\l\\u0009d\\u00e9ra\\u20ac\",\n  \"ready\": true,\n  \"exitCode\": 0,\n"
              "  \"allConditionsMet\": true,\n  \"rebootPending\": false,\n  \"conditions\": [],\n"
              "  \"prerequisites\": []\n}\n");
}

TEST(ReadinessJson, ARepeatedValueNameHoldsAList)
{
    OvReadiness readiness;
    readiness.exitCode = 1638;
    OvConditionReport products;
    products.name = L"installed-products";
    products.values = {{L"package", L"a.msi 7.0"}, {L"installed", L"{A} 6.5"}, {L"package", L"b.msi 7.0"}};
    readiness.conditions.push_back(products);
    OvPrerequisiteReport dotNet;
    dotNet.name = L".NET";
    dotNet.command = L"\"C:\\R\\n.exe\" /q";
    readiness.prerequisites.push_back(dotNet);
    const std::string json = ReadinessJson(readiness);
    EXPECT_NE(json.find("\"ready\": false"), std::string::npos) << json;
    EXPECT_NE(json.find("\"allConditionsMet\": false"), std::string::npos) << json;
    EXPECT_NE(json.find("{\"name\": \"installed-products\", \"met\": false, \"message\": \"\", \"values\": "
                        "{\"package\": [\"a.msi 7.0\", \"b.msi 7.0\"], \"installed\": \"{A} 6.5\"}}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("{\"name\": \".NET\", \"present\": false, \"version\": \"\", \"command\": "
                        "\"\\\"C:\\\\R\\\\n.exe\\\" /q\", \"commandError\": 0}"),
              std::string::npos)
        << json;
}
}  // namespace
