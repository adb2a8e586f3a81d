#include "bootstrap_helper/OvConditionCheckCoreNumber.h"

#include "setup_lib/OvSmartHandle.h"
#include "setup_lib/OvStrings.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <cwchar>

namespace OvBootstrapHelper
{
namespace
{
using GetLogicalProcessorInformationFn = BOOL(WINAPI*)(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION, PDWORD);
using LocalBuffer = OvSetupLib::OvLocalMemory<void*>;

DWORD CountBits(std::uint32_t mask)
{
    DWORD n = 0;
    for (; mask != 0; mask &= mask - 1)
        ++n;
    return n;
}

DWORD CountFromEnvironment()
{
    OvSetupLib::OvMsiString text;
    DWORD size = 16;
    DWORD length = GetEnvironmentVariableW(L"NUMBER_OF_PROCESSORS", text.OpenBuffer(size), size);
    if (length > size) {
        // Too long for the buffer: length is the size needed, terminator included.
        size = length;
        length = GetEnvironmentVariableW(L"NUMBER_OF_PROCESSORS", text.OpenBuffer(size), size);
        if (length >= size) return 0;
    }
    if (length == 0) return 0;
    text.CloseBuffer(-1);
    // Read as a 32-bit signed number in every build, then taken unsigned.
    long long value = std::wcstoll(text.c_str(), nullptr, 10);
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return static_cast<DWORD>(static_cast<std::int32_t>(value));
}
}  // namespace

DWORD CountProcessors()
{
    auto query = OvSetupLib::Kernel32Proc<GetLogicalProcessorInformationFn>("GetLogicalProcessorInformation");
    if (query == nullptr) return CountFromEnvironment();

    LocalBuffer buffer;
    DWORD allocated = 0;
    DWORD length = 0;
    while (!query(static_cast<PSYSTEM_LOGICAL_PROCESSOR_INFORMATION>(buffer.Get()), &length)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return 0;
        // A buffer that does not grow would be asked for forever.
        if (buffer.Get() != nullptr && length <= allocated) return 0;
        allocated = length;
        buffer.Reset();
        buffer.Reset(LocalAlloc(LMEM_ZEROINIT, length));
        if (buffer.Get() == nullptr) return 0;
    }

    // Only records that the length holds completely are read; the record size is the
    // build's own (it differs between 32- and 64-bit processes).
    const std::size_t recordSize = sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION);
    const std::size_t records = buffer.Get() == nullptr ? 0 : length / recordSize;
    const auto* bytes = static_cast<const BYTE*>(buffer.Get());
    DWORD cores = 0;
    DWORD logical = 0;
    for (std::size_t i = 0; i < records; ++i) {
        SYSTEM_LOGICAL_PROCESSOR_INFORMATION record;
        std::memcpy(&record, bytes + i * recordSize, recordSize);
        if (record.Relationship != RelationProcessorCore) continue;
        ++cores;
        logical += CountBits(static_cast<std::uint32_t>(record.ProcessorMask & 0xFFFFFFFFu));
    }
    buffer.Reset();
    if (cores > 0 && logical / cores > 2) logical >>= 1;
    return logical;
}

OvConditionCheckCoreNumber::OvConditionCheckCoreNumber(DWORD minimum, const OvSetupLib::OvMsiString& message)
    : minimum(minimum), message(message)
{}

bool OvConditionCheckCoreNumber::Check()
{
    DWORD n = CountProcessors();
    ClearValues();
    Note(L"processors", n == 0 ? OvSetupLib::OvMsiString(L"unknown") : OvSetupLib::NumberText(n));
    Note(L"minimum", OvSetupLib::NumberText(minimum));
    return n == 0 || n >= minimum;
}

OvSetupLib::OvMsiString OvConditionCheckCoreNumber::GetMessage(const wchar_t*)
{
    return message;
}

OvPromptKind OvConditionCheckCoreNumber::GetPromptKind()
{
    OvPromptKind kind;
    kind.yesNo = true;
    return kind;
}
}  // namespace OvBootstrapHelper
