#include "bootstrap_helper/OvConditionCheckRunningProc.h"

#include "setup_lib/OvPointerT.h"
#include "setup_lib/OvSmartHandle.h"
#include "setup_lib/OvWinError.h"

#include <cstddef>
#include <cstring>

namespace OvBootstrapHelper
{
namespace
{
using NtQuerySystemInformationFn = NTSTATUS(WINAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
}  // namespace

std::vector<OvSetupLib::OvMsiString> GetRunningProcessNames()
{
    OvSetupLib::OvLibraryHandle ntdll(OvSetupLib::ThrowLastErrorIfNull(LoadLibraryW(L"ntdll.dll")));
    auto query = OvSetupLib::ProcAs<NtQuerySystemInformationFn>(
        OvSetupLib::ThrowLastErrorIfNull(GetProcAddress(ntdll.Get(), "NtQuerySystemInformation")));

    std::vector<OvSetupLib::OvMsiString> names;
    OvSetupLib::OvPointerT<BYTE, OvSetupLib::PointerArrayReleaser> buffer;
    ULONG size = 0;
    ULONG needed = 0;
    NTSTATUS status = query(SystemProcessInformation, nullptr, 0, &needed);
    while (status == kInfoLengthMismatch) {
        // The list may grow between the calls; a reported length that does not grow
        // is taken with some room, so that the loop ends.
        size = needed > size ? needed : size + size / 2 + 4096;
        buffer.Reset(new BYTE[size]());
        needed = 0;
        status = query(SystemProcessInformation, buffer.Get(), size, &needed);
    }
    OvSetupLib::ThrowIfError(status);
    if (buffer.Get() == nullptr) return names;

    // Every record, and every name, must lie inside what the call filled.
    const std::size_t recordSize = sizeof(SYSTEM_PROCESS_INFORMATION);
    std::size_t offset = 0;
    for (;;) {
        if (offset > size || size - offset < recordSize) break;
        SYSTEM_PROCESS_INFORMATION record;
        std::memcpy(&record, buffer.Get() + offset, recordSize);
        // Length counts bytes, two per UTF-16 code unit in every build.
        const std::size_t units = record.ImageName.Length / 2;
        const BYTE* text = reinterpret_cast<const BYTE*>(record.ImageName.Buffer);
        const bool inside = text >= buffer.Get() && text <= buffer.Get() + size &&
                            static_cast<std::size_t>(buffer.Get() + size - text) / sizeof(wchar_t) >= units;
        if (units > 0 && inside) {
            OvSetupLib::OvMsiString name(record.ImageName.Buffer, units);
            if (name.CompareIgnoreCase(L"system") != 0) names.push_back(name);
        }
        if (record.NextEntryOffset == 0) break;
        offset += record.NextEntryOffset;
    }
    return names;
}

OvConditionCheckRunningProc::OvConditionCheckRunningProc(const OvSetupLib::OvMsiString& message,
                                                         const std::vector<OvSetupLib::OvMsiString>& processNames)
    : message(message), processNames(processNames)
{}

bool OvConditionCheckRunningProc::Check()
{
    ClearValues();
    bool met = true;
    for (const OvSetupLib::OvMsiString& running : GetRunningProcessNames()) {
        for (const OvSetupLib::OvMsiString& listed : processNames) {
            if (running.CompareIgnoreCase(listed) != 0) continue;
            Note(L"running", running);
            met = false;
        }
    }
    return met;
}

OvSetupLib::OvMsiString OvConditionCheckRunningProc::GetMessage(const wchar_t*)
{
    return message;
}

OvPromptKind OvConditionCheckRunningProc::GetPromptKind()
{
    OvPromptKind kind;
    kind.retryCancel = true;
    return kind;
}
}  // namespace OvBootstrapHelper
