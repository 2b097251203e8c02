#include "platform/removal_on_signal.h"

#include <utility>

namespace beatplate {

// On Windows a temporary file is deleted by the system when the process ends before it is kept
// (see temporary_file.cpp), however it ends; nothing needs arming.
RemovalOnSignal::RemovalOnSignal(int, std::string_view)
{
}

RemovalOnSignal::RemovalOnSignal(RemovalOnSignal&& other) noexcept
    : m_slot(std::exchange(other.m_slot, kNoSlot))
{
}

RemovalOnSignal& RemovalOnSignal::operator=(RemovalOnSignal&& other) noexcept
{
    m_slot = std::exchange(other.m_slot, kNoSlot);
    return *this;
}

void RemovalOnSignal::disarm()
{
    m_slot = kNoSlot;
}

} // namespace beatplate
