#include "WizardBootstrap/OvReadinessReport.h"

#include "setup_lib/OvLogFile.h"
#include "setup_lib/OvRegKeyHelper.h"
#include "setup_lib/OvWinError.h"

namespace OvWizardBootstrap
{
using OvSetupLib::OvMsiString;

namespace
{
void AppendString(std::string& out, const OvMsiString& text)
{
    static const char kHex[] = "0123456789abcdef";
    const std::string bytes = OvSetupLib::ToUtf16LeBytes(text.c_str(), text.size());
    out += '"';
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (unit == '"' || unit == '\\') {
            out += '\\';
            out += static_cast<char>(unit);
        } else if (unit >= 0x20 && unit < 0x7F) {
            out += static_cast<char>(unit);
        } else {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHex[(unit >> shift) & 0xF];
        }
    }
    out += '"';
}

void AppendField(std::string& out, const char* name, const OvMsiString& value)
{
    out += '"';
    out += name;
    out += "\": ";
    AppendString(out, value);
}

// A name given more than once holds the list of its values, in the order they were read,
// so that no reader keeps only the last.
void AppendValues(std::string& out, const std::vector<OvBootstrapHelper::OvConditionValue>& values)
{
    std::vector<bool> written(values.size(), false);
    bool first = true;
    for (std::size_t v = 0; v < values.size(); ++v) {
        if (written[v]) continue;
        std::vector<std::size_t> same;
        for (std::size_t w = v; w < values.size(); ++w) {
            if (values[w].name == values[v].name) same.push_back(w);
        }
        if (!first) out += ", ";
        first = false;
        AppendString(out, values[v].name);
        out += ": ";
        if (same.size() > 1) out += '[';
        for (std::size_t i = 0; i < same.size(); ++i) {
            if (i != 0) out += ", ";
            AppendString(out, values[same[i]].value);
            written[same[i]] = true;
        }
        if (same.size() > 1) out += ']';
    }
}

// A list of objects, one a line; appendItem writes the fields of one.
template <class Item, class Fn>
void AppendList(std::string& out, const char* name, const std::vector<Item>& items, Fn appendItem)
{
    out += '"';
    out += name;
    out += "\": [";
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += i == 0 ? "\n    {" : ",\n    {";
        appendItem(items[i]);
        out += '}';
    }
    out += items.empty() ? "]" : "\n  ]";
}

void AppendField(std::string& out, const char* name, bool value)
{
    out += '"';
    out += name;
    out += value ? "\": true" : "\": false";
}
}  // namespace

std::string ReadinessJson(const OvReadiness& readiness)
{
    bool ready = true;
    for (const auto& condition : readiness.conditions)
        ready = ready && condition.met;
    std::string out = "{\n  ";
    AppendField(out, "product", readiness.product);
    out += ",\n  ";
    AppendField(out, "ready", readiness.exitCode == 0);
    out += ",\n  \"exitCode\": " + std::to_string(readiness.exitCode) + ",\n  ";
    AppendField(out, "allConditionsMet", ready);
    out += ",\n  ";
    AppendField(out, "rebootPending", readiness.rebootPending);
    out += ",\n  ";
    AppendList(out, "conditions", readiness.conditions, [&out](const OvConditionReport& c) {
        AppendField(out, "name", c.name);
        out += ", ";
        AppendField(out, "met", c.met);
        out += ", ";
        AppendField(out, "message", c.message);
        out += ", \"values\": {";
        AppendValues(out, c.values);
        out += "}";
    });
    out += ",\n  ";
    AppendList(out, "prerequisites", readiness.prerequisites, [&out](const OvPrerequisiteReport& p) {
        AppendField(out, "name", p.name);
        out += ", ";
        AppendField(out, "present", p.present);
        out += ", ";
        AppendField(out, "version", p.version);
        out += ", ";
        AppendField(out, "command", p.command);
        out += ", \"commandError\": " + std::to_string(p.commandError);
    });
    out += "\n}\n";
    return out;
}

void WriteReadinessReport(const OvMsiString& path, const OvReadiness& readiness)
{
    const std::string text = ReadinessJson(readiness);
    OvSetupLib::OvHandle file;
    bool existed = false;
    OvSetupLib::OpenOwnFileForWriting(path.c_str(), file, existed);
    if (existed) {
        // An older report is replaced, not added to.
        file.Reset();
        OvSetupLib::ThrowLastErrorIf(!DeleteFileW(path.c_str()));
        HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        OvSetupLib::ThrowLastErrorIf(handle == INVALID_HANDLE_VALUE);
        file.Reset(handle);
    }
    DWORD written = 0;
    OvSetupLib::ThrowLastErrorIf(
        !WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    if (written != text.size()) throw OvSetupLib::OvWinError(ERROR_HANDLE_DISK_FULL);
}

bool IsRebootPending()
{
    OvSetupLib::OvRegKeyHelper key(true);
    if (key.Open(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", KEY_QUERY_VALUE) !=
        ERROR_SUCCESS) {
        return false;
    }
    DWORD size = 0;
    const LONG status = RegQueryValueExW(key.Get(), L"PendingFileRenameOperations", nullptr, nullptr, nullptr, &size);
    return status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
}
}  // namespace OvWizardBootstrap
