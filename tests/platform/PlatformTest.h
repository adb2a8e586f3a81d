// What the platform tests share. The same test sources build on the host, where a fresh
// winsim machine stands in for Windows in every test, and for x64 Windows, where they run
// against the real system (under Wine in the tests of the wine label).
#pragma once

#include "setup_lib/OvPlatform.h"

#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include <winsim/Machine.h>
#endif

namespace OvPlatformTest
{
class PlatformTest : public ::testing::Test
{
protected:
    void TearDown() override;

    // An empty folder of this test, ending in a backslash; removed with what it holds.
    std::wstring Scratch();

private:
#ifndef _WIN32
    winsim::MachineScope machine_;
#endif
    std::wstring scratch_;
};

// The whole content of a file, read through the platform; nullopt-like empty result with
// `found` false when the file cannot be opened.
std::string ReadFileBytes(const std::wstring& path, bool* found = nullptr);
// UTF-16LE bytes as text.
std::wstring FromUtf16Le(const std::string& bytes);
// The system's text for an error code as FormatMessageW gives it (empty when it has none).
std::wstring SystemText(DWORD code);
}  // namespace OvPlatformTest
