// Forced into every translation unit that sees GoogleTest in the win32 tree.
//
// GoogleTest's own Notification (gtest-port.h) is built on std::mutex and
// std::condition_variable, which GCC 12's win32 thread model does not have.
// GTEST_HAS_NOTIFICATION_ tells gtest-port.h that one exists already; this is
// it. GoogleTest uses it only to start the threads of its own thread tests,
// never from ours, so a flag polled by the waiting thread is enough.
#pragma once
#include <atomic>

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : Notified(false) {}
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { Notified.store(true, std::memory_order_release); }
    void WaitForNotification() {
        while (!Notified.load(std::memory_order_acquire)) {
        }
    }

private:
    std::atomic<bool> Notified;
};

}  // namespace internal
}  // namespace testing
