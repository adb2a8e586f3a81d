#include "PlatformTest.h"

#include <vector>

namespace OvPlatformTest
{
void PlatformTest::TearDown()
{
#ifdef _WIN32
    if (scratch_.empty()) return;
    // Only files are left in the folder by the tests.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((scratch_ + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((scratch_ + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(scratch_.c_str());
#endif
    // The simulated machine goes with the test.
}

std::wstring PlatformTest::Scratch()
{
    if (!scratch_.empty()) return scratch_;
#ifdef _WIN32
    wchar_t base[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, base);
    EXPECT_GT(length, 0u) << "GetTempPathW failed: " << GetLastError();
    std::wstring folder = base;
    folder += L"ov-platform-" + std::to_wstring(GetCurrentProcessId()) + L"-";
    for (const char* c = ::testing::UnitTest::GetInstance()->current_test_info()->name(); *c; ++c)
        folder += static_cast<wchar_t>(*c);
#else
    std::wstring folder = L"C:\\PlatformScratch";
#endif
    EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << "CreateDirectoryW failed: " << GetLastError();
    scratch_ = folder + L"\\";
    return scratch_;
}

std::string ReadFileBytes(const std::wstring& path, bool* found)
{
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (found) *found = file != INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    CloseHandle(file);
    return bytes;
}

std::wstring FromUtf16Le(const std::string& bytes)
{
    std::wstring text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
}

std::wstring SystemText(DWORD code)
{
    wchar_t* buffer = nullptr;
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                       nullptr, code, 0x0400, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text = length > 0 && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer) LocalFree(buffer);
    return text;
}
}  // namespace OvPlatformTest
