#include "driver/chart_batch.h"

#include "cli/console.h"
#include "cli/exit_status.h"
#include "pipeline/thread_picture_tools.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <system_error>
#include <thread>

namespace beatplate {

// Often enough that the elapsed time is seen to run.
constexpr std::chrono::milliseconds kProgressInterval{ 500 };

std::string progressLine(std::size_t done, std::size_t total, std::string_view current,
                         std::chrono::seconds elapsed)
{
    const auto minutes = elapsed.count() / 60;
    const auto seconds = elapsed.count() % 60;
    std::array<char, 64> counts{};
    std::snprintf(counts.data(), counts.size(), "%zu/%zu %lld:%02lld ", done, total,
                  static_cast<long long>(minutes), static_cast<long long>(seconds));
    return counts.data() + std::string(current);
}

ChartBatch::ChartBatch(std::span<const ChartJob> jobs, PictureSources& sources,
                       const ChartSettings& settings, OutputClaims& claims, Console& console)
    : m_jobs(jobs)
    , m_sources(sources)
    , m_settings(settings)
    , m_claims(claims)
    , m_console(console)
    , m_outcomes(jobs.size())
{
}

void ChartBatch::work(unsigned pictureThreads)
{
    ThreadPictureTools pictures(m_sources);
    const DrawingTools tools{ pictures, pictureThreads };
    for (std::size_t index = m_nextJob++; index < m_jobs.size(); index = m_nextJob++) {
        {
            const std::lock_guard lock(m_mutex);
            m_current = m_jobs[index].name;
        }
        m_changed.notify_one();
        m_outcomes[index] = processChart(m_jobs[index], tools, m_settings, m_claims, m_console);
        {
            const std::lock_guard lock(m_mutex);
            ++m_done;
        }
        m_changed.notify_one();
    }
}

void ChartBatch::showProgress(std::chrono::steady_clock::time_point start)
{
    std::unique_lock lock(m_mutex);
    while (m_done < m_jobs.size()) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::steady_clock::now() - start);
        const std::size_t done = m_done;
        const std::string current = m_current;
        lock.unlock();
        m_console.showProgress(progressLine(done, m_jobs.size(), current, elapsed));
        lock.lock();
        // What changed while the line was shown has been notified already: it must not wait
        // for the next tick, or the last chart would end the run up to a tick late.
        m_changed.wait_for(lock, kProgressInterval,
                           [&] { return m_done != done || m_current != current; });
    }
    lock.unlock();
    m_console.clearProgress();
}

int ChartBatch::run(unsigned threads, unsigned pictureThreads)
{
    const auto start = std::chrono::steady_clock::now();
    const auto count = std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(m_jobs.size(), 1));
    if (count == 1 && !m_console.showsProgress()) {
        // Nothing to show while the charts are drawn: no thread is needed to show it.
        work(pictureThreads);
    } else {
        std::vector<std::jthread> workers;
        try {
            for (std::size_t i = 0; i < count; ++i)
                workers.emplace_back([this, pictureThreads] { work(pictureThreads); });
        } catch (const std::system_error&) {
            // Fewer threads than asked for draw the same charts, only later.
            if (workers.empty())
                work(pictureThreads);
        }
        showProgress(start);
    }
    int status = kExitSuccess;
    for (const ChartOutcome& outcome : m_outcomes)
        status = std::max(status, outcome.status);
    return status;
}

} // namespace beatplate
