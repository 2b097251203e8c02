#include "driver/chart_watch.h"

#include "cli/console.h"
#include "driver/exit_status.h"
#include "driver/file_watcher.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <optional>
#include <system_error>
#include <vector>

namespace beatplate {

namespace {

constexpr std::array kStopSignals{ SIGINT, SIGTERM };

// The watcher that a stop signal wakes: the handler can reach it through nothing else.
std::atomic<FileWatcher*> signalledWatcher{ nullptr };
static_assert(std::atomic<FileWatcher*>::is_always_lock_free);

} // namespace

extern "C" void stopWatchOnSignal(int)
{
    if (FileWatcher* const watcher = signalledWatcher.load())
        watcher->stop();
}

namespace {

// While it lives, SIGINT and SIGTERM end the watch instead of the process, so that a drawing
// under way is finished and nothing is left behind; a second signal ends the process at once.
class StopOnSignal {
public:
    explicit StopOnSignal(FileWatcher& watcher)
    {
        signalledWatcher.store(&watcher);
        struct sigaction action { };
        action.sa_handler = stopWatchOnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        for (std::size_t i = 0; i < kStopSignals.size(); ++i)
            ::sigaction(kStopSignals[i], &action, &m_previous[i]);
    }
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;
    ~StopOnSignal()
    {
        for (std::size_t i = 0; i < kStopSignals.size(); ++i)
            ::sigaction(kStopSignals[i], &m_previous[i], nullptr);
        signalledWatcher.store(nullptr);
    }

private:
    std::array<struct sigaction, kStopSignals.size()> m_previous{};
};

} // namespace

static void drawWatchedChart(const ChartJob& job, const DrawingTools& tools,
                             const ChartSettings& settings, Console& console)
{
    const auto start = std::chrono::steady_clock::now();
    if (processChart(job, tools, settings, console).status != kExitSuccess)
        return;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    console.report("drawn " + job.name + " in " + std::to_string(elapsed.count()) + " ms",
                   std::nullopt, MessageKind::Information);
}

int watchCharts(std::span<const ChartJob> jobs, const DrawingTools& tools,
                const ChartSettings& settings, Console& console)
{
    std::vector<std::filesystem::path> charts;
    for (const ChartJob& job : jobs)
        charts.emplace_back(job.name);
    try {
        // Watching starts before the first drawing, so that a save during it is not missed.
        FileWatcher watcher(charts);
        const StopOnSignal stopOnSignal(watcher);
        for (const ChartJob& job : jobs)
            drawWatchedChart(job, tools, settings, console);
        for (auto changed = watcher.waitForChanges(kSaveBurst); !changed.empty();
             changed = watcher.waitForChanges(kSaveBurst)) {
            for (std::size_t i = 0; i < jobs.size(); ++i) {
                if (std::find(changed.begin(), changed.end(), charts[i]) != changed.end())
                    drawWatchedChart(jobs[i], tools, settings, console);
            }
        }
    } catch (const std::system_error& error) {
        console.report(error.what(), std::nullopt);
        return kExitChartMissing;
    }
    return kExitSuccess;
}

} // namespace beatplate
