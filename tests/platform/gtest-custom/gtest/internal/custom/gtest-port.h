// GoogleTest's own customisation point, found before the distribution's empty one. The
// toolchain's win32 thread model has no std::mutex, which GoogleTest's Notification
// uses; this one waits on a Windows event instead.
#pragma once

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing
{
namespace internal
{
class Notification
{
public:
    Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    ~Notification() { CloseHandle(event_); }

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};
}  // namespace internal
}  // namespace testing
