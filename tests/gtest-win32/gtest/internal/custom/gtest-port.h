// GoogleTest customisation for the mingw win32 thread model, whose C++
// library has no std::mutex or std::condition_variable: the one class of
// GoogleTest that needs them is given here on a Win32 event. The stub keeps
// the win32 thread model because it adds no threading library to stub.exe.
#pragma once

#ifdef _WIN32
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace internal
}  // namespace testing
#endif
