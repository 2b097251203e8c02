#include "platform/stop_on_interrupt.h"

#include "platform/posix/signals_held.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>
#include <utility>

namespace beatplate {

// The interrupts are held back from every thread started after it is made; a thread of its own
// takes the first with sigtimedwait, so that stop runs outside a signal handler.
struct StopOnInterrupt::Waiter {
    Waiter()
    {
        sigemptyset(&signals);
        for (const int signalNumber : kInterruptSignals)
            sigaddset(&signals, signalNumber);
        ::pthread_sigmask(SIG_BLOCK, &signals, &previous);
    }

    void waitForSignal(const std::function<void()>& stop) const
    {
        const timespec interval{ 0, 100'000'000 };
        while (!done) {
            if (::sigtimedwait(&signals, nullptr, &interval) > 0)
                break;
        }
        // A second signal ends the process at once, as it would without us.
        ::pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
        while (!done) {
            stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    sigset_t signals{};
    sigset_t previous{};
    std::atomic<bool> done{ false };
    std::thread thread;
};

StopOnInterrupt::StopOnInterrupt()
    : m_waiter(std::make_unique<Waiter>())
{
}

StopOnInterrupt::~StopOnInterrupt()
{
    finish();
    ::pthread_sigmask(SIG_SETMASK, &m_waiter->previous, nullptr);
}

void StopOnInterrupt::watch(std::function<void()> stop)
{
    Waiter& waiter = *m_waiter;
    waiter.thread = std::thread([&waiter, stop = std::move(stop)] { waiter.waitForSignal(stop); });
}

void StopOnInterrupt::finish()
{
    m_waiter->done = true;
    if (m_waiter->thread.joinable())
        m_waiter->thread.join();
}

} // namespace beatplate
