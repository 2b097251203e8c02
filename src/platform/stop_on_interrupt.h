#pragma once

#include <functional>
#include <memory>

namespace beatplate {

// While it lives, an interrupt (SIGINT or SIGTERM) no longer ends the process: once watch has
// been called, the first calls stop on a thread of its own, again every 20 ms until finish, so
// that a stop made before the work could take it is not lost; the work under way can then end
// and leave nothing behind. A second interrupt ends the process at once, as it would without
// us. Make it before starting other threads: those started later leave interrupts to it.
class StopOnInterrupt {
public:
    StopOnInterrupt();
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;
    // Finishes, and gives interrupts back to the thread that made it.
    ~StopOnInterrupt();

    // Starts taking interrupts; called once. stop must be safe to call more than once, from
    // another thread.
    void watch(std::function<void()> stop);
    // Stops taking interrupts and waits until stop is no longer being called.
    void finish();

private:
    struct Waiter;
    std::unique_ptr<Waiter> m_waiter;
};

} // namespace beatplate
