#include "platform/processors.h"

#include <algorithm>
#include <bit>
#include <thread>
#include <windows.h>

namespace beatplate {

unsigned processorCount()
{
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) != 0 && process != 0)
        return static_cast<unsigned>(std::popcount(static_cast<unsigned long long>(process)));
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace beatplate
