// The simulated system message table.
#include <winsim/Machine.h>

#include <gtest/gtest.h>

using winsim::M;

namespace
{
class SimulatedMessagesTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

constexpr DWORD kSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

TEST_F(SimulatedMessagesTest, AllocatedTexts)
{
    const std::pair<DWORD, const wchar_t*> cases[] = {
        {2, L"The system cannot find the file specified.\r\n"},
        {5, L"Access is denied.\r\n"},
        {1603, L"Fatal error during installation.\r\n"},
    };
    for (auto& c : cases) {
        wchar_t* text = nullptr;
        DWORD n = FormatMessageW(kSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, c.first, 0,
                                 reinterpret_cast<LPWSTR>(&text), 0, nullptr);
        ASSERT_NE(text, nullptr) << c.first;
        EXPECT_EQ(n, std::wcslen(c.second));
        EXPECT_EQ(std::wstring(text, n), c.second);
        EXPECT_EQ(LocalFree(text), nullptr);
    }
}

TEST_F(SimulatedMessagesTest, CallerBuffer)
{
    const wchar_t* expected = L"Access is denied.\r\n";  // 19 characters
    wchar_t buffer[32];
    EXPECT_EQ(FormatMessageW(kSystem, nullptr, 5, 0, buffer, 20, nullptr), 19u);
    EXPECT_EQ(std::wstring(buffer), expected);
    EXPECT_EQ(FormatMessageW(kSystem, nullptr, 5, 0, buffer, 19, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(SimulatedMessagesTest, UnknownCodesAndBadFlagsFail)
{
    wchar_t* text = nullptr;
    for (DWORD code : {12345u, 0xFFFFFFFFu, 0x80070005u}) {
        EXPECT_EQ(FormatMessageW(kSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, 0,
                                 reinterpret_cast<LPWSTR>(&text), 0, nullptr),
                  0u);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND)) << code;
        EXPECT_EQ(text, nullptr);
    }
    // No memory for the text.
    M().faults["LocalAlloc"] = {ERROR_NOT_ENOUGH_MEMORY, 1, 0};
    EXPECT_EQ(FormatMessageW(kSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, 2, 0, reinterpret_cast<LPWSTR>(&text),
                             0, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(text, nullptr);
    wchar_t buffer[64];
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, 2, 0, buffer, 64, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}
}  // namespace
