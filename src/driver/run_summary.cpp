#include "driver/run_summary.h"

#include "cli/console.h"
#include "cli/exit_status.h"

#include <array>
#include <cstddef>

namespace beatplate {

namespace {

// The words of each count, for one and for several.
struct CountWords {
    int status;
    const char* one;
    const char* several;
};

constexpr std::array kCountWords{
    CountWords{ kExitSuccess, "picture written", "pictures written" },
    CountWords{ kExitChartError, "chart has an error", "charts have an error" },
    CountWords{ kExitChartMissing, "chart cannot be opened", "charts cannot be opened" },
    CountWords{ kExitOutputFailed, "picture cannot be written", "pictures cannot be written" },
};

} // namespace

std::string runSummary(std::span<const ChartJob> jobs, std::span<const ChartOutcome> outcomes)
{
    std::string text;
    for (std::size_t i = 0; i < jobs.size() && i < outcomes.size(); ++i) {
        if (outcomes[i].status == kExitSuccess && jobs[i].picture)
            text += formatMessage("picture written", jobs[i].picture->string());
    }
    std::string counts;
    for (const CountWords& words : kCountWords) {
        std::size_t count = 0;
        for (const ChartOutcome& outcome : outcomes)
            count += outcome.status == words.status ? 1 : 0;
        // The pictures written are always counted, even when none were.
        if (count == 0 && words.status != kExitSuccess)
            continue;
        counts += (counts.empty() ? "" : ", ") + std::to_string(count) + " "
            + (count == 1 ? words.one : words.several);
    }
    return text + counts;
}

} // namespace beatplate
