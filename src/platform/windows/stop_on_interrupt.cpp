#include "platform/stop_on_interrupt.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <windows.h>

namespace beatplate {

namespace {

// What the console's handler tells the waiting thread.
struct InterruptSignal {
    std::mutex mutex;
    std::condition_variable woken;
    bool interrupted = false; // guarded by mutex
    bool done = false; // guarded by mutex
};

// The handler the console calls can reach the waiter only through the process's state.
std::atomic<InterruptSignal*> currentSignal{ nullptr };

} // namespace

// The console calls its handler on a thread of its own; the handler only tells the waiter,
// whose thread calls stop.
struct StopOnInterrupt::Waiter {
    void waitForInterrupt(const std::function<void()>& stop)
    {
        std::unique_lock lock(signal.mutex);
        signal.woken.wait(lock, [this] { return signal.interrupted || signal.done; });
        while (!signal.done) {
            lock.unlock();
            stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            lock.lock();
        }
    }

    InterruptSignal signal;
    std::thread thread;
};

static BOOL WINAPI takeInterrupt(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    InterruptSignal* signal = currentSignal.load();
    if (signal == nullptr)
        return FALSE;
    const std::lock_guard lock(signal->mutex);
    // A second interrupt ends the process at once, as it would without us.
    if (signal->interrupted)
        return FALSE;
    signal->interrupted = true;
    signal->woken.notify_all();
    return TRUE;
}

StopOnInterrupt::StopOnInterrupt()
    : m_waiter(std::make_unique<Waiter>())
{
    currentSignal.store(&m_waiter->signal);
    ::SetConsoleCtrlHandler(takeInterrupt, TRUE);
}

StopOnInterrupt::~StopOnInterrupt()
{
    finish();
    ::SetConsoleCtrlHandler(takeInterrupt, FALSE);
    currentSignal.store(nullptr);
}

void StopOnInterrupt::watch(std::function<void()> stop)
{
    Waiter& waiter = *m_waiter;
    waiter.thread =
        std::thread([&waiter, stop = std::move(stop)] { waiter.waitForInterrupt(stop); });
}

void StopOnInterrupt::finish()
{
    {
        const std::lock_guard lock(m_waiter->signal.mutex);
        m_waiter->signal.done = true;
    }
    m_waiter->signal.woken.notify_all();
    if (m_waiter->thread.joinable())
        m_waiter->thread.join();
}

} // namespace beatplate
