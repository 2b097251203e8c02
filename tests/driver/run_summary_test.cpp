#include "cli/exit_status.h"
#include "driver/run_summary.h"

#include <gtest/gtest.h>

#include <vector>

namespace beatplate {
namespace {

TEST(RunSummary, NamesEachPictureWrittenAndCountsWhatBecameOfTheCharts)
{
    const std::vector<ChartJob> jobs{ { "a.txt", "a.png", {} },
                                      { "b.txt", "b.png", {} },
                                      { "c.txt", "c.png", {} },
                                      { "d.txt", "d.png", {} } };
    const auto outcomes = [](std::vector<int> statuses) {
        std::vector<ChartOutcome> result;
        for (const int status : statuses)
            result.push_back({ status, {}, {} });
        return result;
    };
    EXPECT_EQ(runSummary(jobs, outcomes({ 0, 2, 0, 0 })),
              "picture written (a.png)\npicture written (c.png)\npicture written (d.png)\n"
              "3 pictures written, 1 chart has an error");
    EXPECT_EQ(runSummary(jobs, outcomes({ 2, 2, 1, 3 })),
              "0 pictures written, 2 charts have an error, 1 chart cannot be opened, "
              "1 picture cannot be written");
    EXPECT_EQ(runSummary(std::span(jobs).first(1), outcomes({ 0 })),
              "picture written (a.png)\n1 picture written");
}

} // namespace
} // namespace beatplate
