// Small helpers shared by the stand-in programs of the end-to-end tests.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>

namespace stub
{

inline std::wstring ModulePath()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return std::wstring(buffer, length);
}

inline std::string Utf8(const std::wstring& text)
{
    if (text.empty()) return std::string();
    int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size, nullptr, nullptr);
    return result;
}

// Appends one UTF-8 line; several runs of the same stand-in add up in one file.
inline void AppendLine(const std::wstring& path, const std::wstring& line)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::string bytes = Utf8(line) + "\n";
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// Reads a small text file whole, as 8-bit text; empty when it is absent.
inline std::string ReadSmallFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    char buffer[4096];
    DWORD read = 0;
    std::string text;
    if (ReadFile(file, buffer, sizeof buffer, &read, nullptr)) text.assign(buffer, read);
    CloseHandle(file);
    return text;
}

// The value of "key=value" on its own line of a control file, or the fallback.
inline std::string Setting(const std::string& control, const std::string& key, const std::string& fallback)
{
    size_t pos = 0;
    while (pos < control.size()) {
        size_t end = control.find('\n', pos);
        if (end == std::string::npos) end = control.size();
        std::string line = control.substr(pos, end - pos);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.compare(0, key.size() + 1, key + "=") == 0) return line.substr(key.size() + 1);
        pos = end + 1;
    }
    return fallback;
}

inline unsigned long Number(const std::string& text, unsigned long fallback)
{
    if (text.empty()) return fallback;
    char* end = nullptr;
    unsigned long value = std::strtoul(text.c_str(), &end, 0);
    return end && *end == '\0' ? value : fallback;
}

inline std::wstring Wide(const std::string& text)
{
    if (text.empty()) return std::wstring();
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0) return std::wstring();
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size);
    return result;
}

}  // namespace stub
