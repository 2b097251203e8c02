#pragma once

#include <utility>
#include <windows.h>

namespace beatplate {

// Owns a handle of the kernel; null and INVALID_HANDLE_VALUE are none.
class Handle {
public:
    explicit Handle(HANDLE handle = nullptr)
        : m_handle(handle)
    {
    }
    Handle(Handle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, nullptr))
    {
    }
    Handle& operator=(Handle&& other) noexcept
    {
        std::swap(m_handle, other.m_handle);
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle()
    {
        if (m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_handle);
    }
    [[nodiscard]] HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
};

} // namespace beatplate
