// media-check MEDIA_FOLDER: reports what the bootstrapper will read from the media.
// On Windows it reads the folder itself; on other systems it reads the folder over the
// simulated Windows, mounted as C:\Media\.
#include "MediaCheck.h"

#include <cstdio>
#include <string>

namespace
{
int Usage(const char* message)
{
    std::fprintf(stderr, "media-check: %s\nusage: media-check MEDIA_FOLDER\n", message);
    return OvMediaCheck::kExitUsage;
}

int Print(const OvMediaCheck::MediaReport& report, const std::string& shown)
{
    std::string text = OvMediaCheck::FormatReport(report, shown);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return report.Sound() ? OvMediaCheck::kExitSound : OvMediaCheck::kExitFindings;
}
}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
{
    if (argc != 2 || argv[1][0] == L'-') return Usage("give exactly one media folder");
    wchar_t full[MAX_PATH] = {};
    DWORD length = GetFullPathNameW(argv[1], MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return Usage("the media folder's path cannot be resolved");
    DWORD attributes = GetFileAttributesW(full);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return Usage("the media folder does not exist");
    std::wstring root = full;
    if (root.back() != L'\\') root += L'\\';
    return Print(OvMediaCheck::CheckMedia(root), OvMediaCheck::ToUtf8(root));
}
#else
#include "MachineFile.h"

#include <filesystem>

int main(int argc, char** argv)
{
    if (argc != 2 || argv[1][0] == '-') return Usage("give exactly one media folder");
    std::error_code error;
    if (!std::filesystem::is_directory(argv[1], error)) return Usage("the media folder does not exist");
    winsim::Reset();
    setupsim::MountMedia(winsim::M(), argv[1]);
    return Print(OvMediaCheck::CheckMedia(L"C:\\Media\\"), argv[1]);
}
#endif
