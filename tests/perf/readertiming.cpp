// The settings reader timed on the Windows build, on the same generated files as the host
// benchmark: the median time to load and to release a 1 MB and a 10 MB file, and the heap
// that a loaded file asks for. Run under Wine (tools/wine-reader-timing); not a test.
#include "bench/HeapCount.h"
#include "bench/SettingsText.h"
#include "setup_lib/OvXmlDocument.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{
double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

struct Figures {
    double load = 0, release = 0, heapPerByte = 0;
};

// Returns false when the file cannot be written or does not load.
bool Time(std::size_t bytes, int runs, Figures& figures)
{
    wchar_t folder[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, folder) == 0) return false;
    const std::wstring path = std::wstring(folder) + L"readertiming.xml";
    const std::string text = OvBench::SettingsText(bytes);
    if (!WriteWholeFile(path, text)) return false;
    std::vector<double> loads, releases;
    for (int i = 0; i <= runs; ++i) {  // the first run warms the file cache and is not counted
        const std::size_t before = OvBench::HeapBytesInUse();
        const double start = Now();
        auto document = std::make_unique<OvSetupLib::OvXmlDocument>(path);
        const double loaded = Now();
        const std::size_t kept = OvBench::HeapBytesInUse() - before;
        if (!document->IsLoaded()) return false;
        document.reset();
        const double released = Now();
        if (i == 0) {
            figures.heapPerByte = static_cast<double>(kept) / static_cast<double>(text.size());
            continue;
        }
        loads.push_back(loaded - start);
        releases.push_back(released - loaded);
    }
    DeleteFileW(path.c_str());
    figures.load = Median(loads);
    figures.release = Median(releases);
    return true;
}
}  // namespace

int wmain()
{
    struct Row {
        const char* name;
        std::size_t bytes;
        int runs;
        Figures figures;
    } rows[] = {{"1 MB", std::size_t(1) << 20, 40, {}}, {"10 MB", std::size_t(10) << 20, 10, {}}};
    for (Row& row : rows) {
        if (!Time(row.bytes, row.runs, row.figures)) {
            std::printf("the generated settings file could not be written or did not load\n");
            return 1;
        }
        const double total = row.figures.load + row.figures.release;
        // Mebibytes per second, as the host benchmark counts them.
        const double rate = static_cast<double>(row.bytes) / (1 << 20) / (total / 1000.0);
        std::printf("%-6s load %8.2f ms  release %8.2f ms  total %8.2f ms  %6.1f MiB/s  heap %.1f bytes per byte\n",
                    row.name, row.figures.load, row.figures.release, total, rate, row.figures.heapPerByte);
    }
    std::printf("10 MB / 1 MB: %.1f times\n",
                (rows[1].figures.load + rows[1].figures.release) / (rows[0].figures.load + rows[0].figures.release));
    return 0;
}
