#pragma once

#include "driver/chart_job.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace beatplate {

class Console;
class OutputClaims;
class PictureSources;

// The progress line: charts done of all, the chart most recently begun, the time so far.
[[nodiscard]] std::string progressLine(std::size_t done, std::size_t total,
                                       std::string_view current, std::chrono::seconds elapsed);

// Reads and draws the charts of a run on several threads, each with a header face of its own
// (FreeType faces may not be shared), while this thread keeps the progress line up to date.
class ChartBatch {
public:
    // sources: what the pictures are drawn with, loaded when first drawn; it and claims, where
    // the outputs are claimed, must outlive the batch.
    ChartBatch(std::span<const ChartJob> jobs, PictureSources& sources,
               const ChartSettings& settings, OutputClaims& claims, Console& console);

    // Does the settings' task for every chart with up to threads at once, each picture
    // compressed on pictureThreads (0: every processor); returns the highest exit status.
    [[nodiscard]] int run(unsigned threads, unsigned pictureThreads);
    // What each chart gave, in the order of the jobs, once run has returned.
    [[nodiscard]] const std::vector<ChartOutcome>& outcomes() const { return m_outcomes; }

private:
    void work(unsigned pictureThreads);
    void showProgress(std::chrono::steady_clock::time_point start);

    std::span<const ChartJob> m_jobs;
    PictureSources& m_sources;
    const ChartSettings& m_settings;
    OutputClaims& m_claims;
    Console& m_console;
    std::atomic<std::size_t> m_nextJob = 0;
    std::vector<ChartOutcome> m_outcomes;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_done = 0;
    std::string m_current;
};

} // namespace beatplate
