// media-check: reads an installation media folder as the bootstrapper reads it and
// reports what the bootstrapper will see and what it will silently miss.
#pragma once

#include "bootstrap_helper/OvProductEntry.h"

#include <map>
#include <string>
#include <vector>

namespace OvMediaCheck
{
enum class Severity {
    error,  // the bootstrapper fails, misses or misreads something
    note    // misread, but in a part that the bootstrapper does not use
};

struct Finding {
    Severity severity = Severity::error;
    std::wstring file;  // relative to the media root
    unsigned line = 0;  // 1-based physical line; 0 when the finding is about the whole file
    std::wstring what;
    std::wstring fix;  // what to write instead
};

// One product entry as the bootstrapper reads it, with what its package holds.
struct ProductReport {
    std::wstring file;
    unsigned line = 0;
    OvBootstrapHelper::OvProductEntry entry;
    std::wstring productVersion;  // empty when it could not be read
    std::wstring upgradeCode;
};

// An element as media-check explains it: the reader's own name and attributes.
struct ElementReport {
    unsigned line = 0;
    std::wstring name;
    std::map<std::wstring, std::wstring> attributes;
};

struct SettingsScan {
    bool loads = false;             // the reader's result
    std::vector<Finding> findings;  // in line order
    // Every element the reader made, in document order (up to the line that stopped a failed load).
    std::vector<ElementReport> elements;
};

// Loads a settings file (a Windows path) with the reader and explains its account of every
// line; `file` names the file in the findings.
SettingsScan ScanSettingsFile(const std::wstring& path, const std::wstring& file);

struct MediaReport {
    std::vector<std::wstring> settingsLoaded;     // settings files that load
    std::vector<std::wstring> settingsNotLoaded;  // present, but the reader fails on them
    std::vector<ProductReport> products;
    std::vector<Finding> findings;
    bool Sound() const;
};

// Checks the media whose root folder is `mediaRoot` (a Windows path with a trailing
// backslash): both settings files, their packages and the setup layout.
MediaReport CheckMedia(const std::wstring& mediaRoot);

// The report as UTF-8 text; `shownRoot` names the media folder in its first line.
std::string FormatReport(const MediaReport& report, const std::string& shownRoot);

// UTF-16 code units (in wchar_t) to UTF-8; unpaired surrogates become U+FFFD.
std::string ToUtf8(const std::wstring& text);

// Exit codes of the tool.
constexpr int kExitSound = 0;
constexpr int kExitFindings = 1;
constexpr int kExitUsage = 2;
}  // namespace OvMediaCheck
