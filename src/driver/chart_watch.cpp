#include "driver/chart_watch.h"

#include "base/utf8_path.h"
#include "cli/console.h"
#include "cli/exit_status.h"
#include "platform/file_watcher.h"
#include "platform/stop_on_interrupt.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <vector>

namespace beatplate {

static void drawWatchedChart(const ChartJob& job, const DrawingTools& tools,
                             const ChartSettings& settings, OutputClaims& claims, Console& console)
{
    const auto start = std::chrono::steady_clock::now();
    if (processChart(job, tools, settings, claims, console).status != kExitSuccess)
        return;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    const std::string done = settings.sound ? "wrote the sound of " : "drawn ";
    console.report(done + job.name + " in " + std::to_string(elapsed.count()) + " ms", std::nullopt,
                   MessageKind::Information);
}

int watchCharts(std::span<const ChartJob> jobs, const DrawingTools& tools,
                const ChartSettings& settings, OutputClaims& claims, Console& console)
{
    std::vector<std::filesystem::path> charts;
    for (const ChartJob& job : jobs)
        charts.push_back(utf8Path(job.name));
    try {
        // Watching starts before the first drawing, so that a save during it is not missed.
        FileWatcher watcher(charts);
        StopOnInterrupt stopOnInterrupt;
        stopOnInterrupt.watch([&watcher] { watcher.stop(); });
        for (const ChartJob& job : jobs)
            drawWatchedChart(job, tools, settings, claims, console);
        for (auto changed = watcher.waitForChanges(kSaveBurst); !changed.empty();
             changed = watcher.waitForChanges(kSaveBurst)) {
            for (std::size_t i = 0; i < jobs.size(); ++i) {
                if (std::find(changed.begin(), changed.end(), charts[i]) != changed.end())
                    drawWatchedChart(jobs[i], tools, settings, claims, console);
            }
        }
    } catch (const std::system_error& error) {
        console.report(error.what(), std::nullopt);
        return kExitChartMissing;
    }
    return kExitSuccess;
}

} // namespace beatplate
