#include "platform/utc_time.h"

namespace beatplate {

std::tm utcPartsOf(std::time_t time)
{
    std::tm parts{};
    ::gmtime_r(&time, &parts);
    return parts;
}

std::time_t timeOfUtcParts(std::tm parts)
{
    return ::timegm(&parts);
}

} // namespace beatplate
