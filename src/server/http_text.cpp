#include "server/http_text.h"

#include "platform/utc_time.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace beatplate {

std::string formatHttpDate(std::time_t time)
{
    const std::tm parts = utcPartsOf(time);
    std::array<char, 40> text{};
    // strftime's names follow the locale; HTTP wants the English ones whatever it is.
    static constexpr std::array<const char*, 7> kDays{ "Sun", "Mon", "Tue", "Wed",
                                                       "Thu", "Fri", "Sat" };
    static constexpr std::array<const char*, 12> kMonths{
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"
    };
    std::snprintf(text.data(), text.size(), "%s, %02d %s %04d %02d:%02d:%02d GMT",
                  kDays[static_cast<std::size_t>(parts.tm_wday)], parts.tm_mday,
                  kMonths[static_cast<std::size_t>(parts.tm_mon)], parts.tm_year + 1900,
                  parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text.data();
}

std::optional<std::time_t> parseHttpDate(std::string_view text)
{
    static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const std::string copy(text);
    std::array<char, 4> day{};
    std::array<char, 4> month{};
    int date = 0;
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int consumed = 0;
    if (std::sscanf(copy.c_str(), "%3[A-Za-z], %2d %3[A-Za-z] %4d %2d:%2d:%2d GMT%n", day.data(),
                    &date, month.data(), &year, &hour, &minute, &second, &consumed)
            != 7
        || static_cast<std::size_t>(consumed) != copy.size())
        return std::nullopt;
    const auto monthAt = kMonths.find(month.data());
    if (std::strlen(month.data()) != 3 || monthAt == std::string_view::npos || monthAt % 3 != 0
        || date < 1 || date > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = static_cast<int>(monthAt / 3);
    parts.tm_mday = date;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return timeOfUtcParts(parts);
}

std::string formatIsoTime(const ::timespec& time)
{
    const std::tm parts = utcPartsOf(time.tv_sec);
    // Room for any year an int holds, so that nothing is ever cut off.
    std::array<char, 80> text{};
    std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ",
                  parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                  parts.tm_min, parts.tm_sec, time.tv_nsec / 1'000'000);
    return text.data();
}

} // namespace beatplate
