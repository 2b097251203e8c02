#pragma once

#include <cstddef>
#include <string_view>

namespace beatplate {

// How many files can be armed at once; a file beyond them is left to the cleanup of stale
// temporary files instead.
inline constexpr std::size_t kRemovalSlots = 64;

// Arms a file for removal should SIGINT, SIGTERM or SIGHUP end the process, so that a named
// temporary file is not left behind; the signal then ends the process with its usual status.
// Signals that were ignored or handled when the first file was armed are left as they were.
// Safe to use from several threads at once.
class RemovalOnSignal {
public:
    RemovalOnSignal() = default;
    // Arms name in the directory open as directoryFd, which must stay open while armed. A name
    // longer than 63 bytes is not armed.
    RemovalOnSignal(int directoryFd, std::string_view name);
    RemovalOnSignal(RemovalOnSignal&& other) noexcept;
    RemovalOnSignal& operator=(RemovalOnSignal&& other) noexcept;
    RemovalOnSignal(const RemovalOnSignal&) = delete;
    RemovalOnSignal& operator=(const RemovalOnSignal&) = delete;
    ~RemovalOnSignal() { disarm(); }

    [[nodiscard]] bool armed() const { return m_slot != kNoSlot; }
    // The file is no longer removed on a signal (it has been renamed, or removed already).
    void disarm();

private:
    static constexpr std::size_t kNoSlot = kRemovalSlots;
    std::size_t m_slot = kNoSlot;
};

} // namespace beatplate
