// The machine's state that only winsim's own sources reach: the kernel handle table and
// the processes that the program started, running or ended.
#pragma once

#include <winsim/Machine.h>

namespace winsim
{
struct Machine::Internals {
    std::map<HANDLE, std::shared_ptr<Object>> handles;
    std::uintptr_t nextHandle = 0x100;
    // By process id; a process outlives the handles to it.
    std::map<DWORD, std::shared_ptr<Object>> processes;
    DWORD nextProcessId = 1000;
};
}  // namespace winsim
