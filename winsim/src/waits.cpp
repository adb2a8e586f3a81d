// Waiting, over the machine's simulated time: Sleep and the waits move the clock on, and
// a wait times out, or returns when its object is signalled, as on Windows.
#include <winsim/Machine.h>

#include <algorithm>
#include <string>
#include <vector>

using winsim::M;

namespace winsim
{
bool Object::Signaled() const
{
    return SignaledAt() <= M().clock;
}

DWORD WaitForObjects(DWORD count, const HANDLE* handles, DWORD milliseconds, const char* function)
{
    std::vector<std::shared_ptr<Object>> objects;
    for (DWORD k = 0; k < count; ++k) {
        auto obj = handles ? GetObject(handles[k]) : nullptr;
        if (!obj) {
            M().lastError = ERROR_INVALID_HANDLE;
            return WAIT_FAILED;
        }
        objects.push_back(std::move(obj));
    }
    auto firstSignaled = [&]() -> DWORD {
        for (DWORD k = 0; k < count; ++k) {
            if (objects[k]->Signaled()) return WAIT_OBJECT_0 + k;
        }
        return WAIT_TIMEOUT;
    };
    if (DWORD now = firstSignaled(); now != WAIT_TIMEOUT) return now;
    ULONGLONG soonest = kNever;
    for (const auto& obj : objects)
        soonest = std::min(soonest, obj->SignaledAt());
    if (soonest != kNever && (milliseconds == INFINITE || soonest - M().clock <= milliseconds)) {
        AdvanceClock(soonest - M().clock);
        return firstSignaled();
    }
    if (milliseconds == INFINITE)
        throw Deadlock(std::string(function) + ": an infinite wait for an object that nothing signals");
    AdvanceClock(milliseconds);
    return WAIT_TIMEOUT;
}
}  // namespace winsim

void Sleep(DWORD milliseconds)
{
    if (milliseconds == INFINITE) throw winsim::Deadlock("Sleep(INFINITE): the thread never wakes");
    ++M().sleeps;
    M().sleptMilliseconds += milliseconds;
    winsim::AdvanceClock(milliseconds);
    if (M().onSleep) M().onSleep(M());
}

ULONGLONG GetTickCount64()
{
    // Not zero at start, as on a machine that has been up for a while.
    return 3600000ull + M().clock;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    if (winsim::Fails("WaitForSingleObject")) return WAIT_FAILED;
    return winsim::WaitForObjects(1, &handle, milliseconds, "WaitForSingleObject");
}
