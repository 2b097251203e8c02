#include "platform/removal_on_signal.h"

#include "platform/posix/signals_held.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <utility>

namespace beatplate {

namespace {

constexpr std::size_t kNameCapacity = 64;

enum SlotState : int { kFree, kClaimed, kArmed };

// Read by the signal handler, so it holds only what a handler may read safely: lock-free
// atomics, and plain fields written before the state that publishes them.
struct Slot {
    std::atomic<int> state{ kFree };
    int directoryFd = -1;
    std::array<char, kNameCapacity> name{};
};

static_assert(std::atomic<int>::is_always_lock_free);

// The registry the signal handler walks: the one piece of process-wide state the cleanup needs.
std::array<Slot, kRemovalSlots> slots;
std::once_flag handlersInstalled;

} // namespace

extern "C" void removeArmedFiles(int signalNumber)
{
    for (auto& slot : slots) {
        if (slot.state.load(std::memory_order_acquire) == kArmed)
            ::unlinkat(slot.directoryFd, slot.name.data(), 0);
    }
    // SA_RESETHAND has put the default action back and SA_NODEFER left the signal unblocked, so
    // this ends the process as the signal would have.
    ::raise(signalNumber);
}

static void installHandlers()
{
    for (const int signalNumber : kEndingSignals) {
        struct sigaction previous { };
        if (::sigaction(signalNumber, nullptr, &previous) != 0)
            continue;
        // An ignored SIGHUP (nohup) or a handler of the program's own stays in force.
        if ((previous.sa_flags & SA_SIGINFO) != 0 || previous.sa_handler != SIG_DFL)
            continue;
        struct sigaction action { };
        action.sa_handler = removeArmedFiles;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND | SA_NODEFER;
        ::sigaction(signalNumber, &action, nullptr);
    }
}

RemovalOnSignal::RemovalOnSignal(int directoryFd, std::string_view name)
{
    if (name.empty() || name.size() >= kNameCapacity)
        return;
    std::call_once(handlersInstalled, installHandlers);
    for (std::size_t index = 0; index < slots.size(); ++index) {
        int expected = kFree;
        if (!slots[index].state.compare_exchange_strong(expected, kClaimed,
                                                        std::memory_order_acquire))
            continue;
        Slot& slot = slots[index];
        slot.directoryFd = directoryFd;
        std::memcpy(slot.name.data(), name.data(), name.size());
        slot.name[name.size()] = '\0';
        slot.state.store(kArmed, std::memory_order_release);
        m_slot = index;
        return;
    }
}

RemovalOnSignal::RemovalOnSignal(RemovalOnSignal&& other) noexcept
    : m_slot(std::exchange(other.m_slot, kNoSlot))
{
}

RemovalOnSignal& RemovalOnSignal::operator=(RemovalOnSignal&& other) noexcept
{
    if (this != &other) {
        disarm();
        m_slot = std::exchange(other.m_slot, kNoSlot);
    }
    return *this;
}

void RemovalOnSignal::disarm()
{
    if (m_slot == kNoSlot)
        return;
    slots[m_slot].state.store(kFree, std::memory_order_release);
    m_slot = kNoSlot;
}

} // namespace beatplate
