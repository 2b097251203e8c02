// Times beatplate lsp from a change of a chart to its published diagnostics, for charts of 200
// and 2,000 measures (or the sizes given): the check alone, without the pause the server waits
// for the author to stop typing. Prints the median and the slowest of the changes.
#include "base/text_codec.h"
#include "chart_generator.h"
#include "cli/console.h"
#include "lsp/language_server.h"
#include "pipeline/picture_sources.h"
#include "pipeline/thread_picture_tools.h"
#include "platform/terminal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace beatplate {
namespace {

using Clock = std::chrono::steady_clock;

std::string framed(const nlohmann::json& message)
{
    const std::string body = message.dump();
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Hands the server its messages one by one and notes when each change was handed over and when
// the diagnostics after it were written.
class TimingChannel final : public ByteChannel {
public:
    explicit TimingChannel(std::deque<std::string> messages)
        : m_messages(std::move(messages))
    {
    }

    TimedRead read(std::span<char> buffer, std::optional<std::chrono::milliseconds>) override
    {
        if (m_current.empty()) {
            if (m_messages.empty())
                return { ReadOutcome::End, 0 };
            m_current = std::move(m_messages.front());
            m_messages.pop_front();
            if (m_current.find("didChange") != std::string::npos)
                m_changed = Clock::now();
        }
        const std::size_t size = std::min(buffer.size(), m_current.size());
        std::copy_n(m_current.begin(), size, buffer.begin());
        m_current.erase(0, size);
        return { ReadOutcome::Data, size };
    }

    bool write(std::string_view bytes) override
    {
        if (m_changed && bytes.find("publishDiagnostics") != std::string_view::npos) {
            m_times.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - *m_changed).count());
            m_changed.reset();
        }
        return true;
    }

    Clock::time_point now() const override { return Clock::now(); }

    [[nodiscard]] std::vector<double> times() const { return m_times; }

private:
    std::deque<std::string> m_messages;
    std::string m_current;
    std::optional<Clock::time_point> m_changed;
    std::vector<double> m_times;
};

void timeChanges(int measures, int changes)
{
    const std::string chart = utf8Of(decodeCp932(generateChart(measures)).value_or(u""));
    const std::string uri = "file:///bench.txt";
    std::deque<std::string> messages;
    messages.push_back(framed({ { "jsonrpc", "2.0" }, { "id", 0 }, { "method", "initialize" } }));
    messages.push_back(framed({ { "jsonrpc", "2.0" },
                                { "method", "textDocument/didOpen" },
                                { "params",
                                  { { "textDocument",
                                      { { "uri", uri },
                                        { "languageId", "beatplate" },
                                        { "version", 1 },
                                        { "text", chart } } } } } }));
    const int middle = static_cast<int>(std::count(chart.begin(), chart.end(), '\n') / 2);
    for (int change = 0; change < changes; ++change) {
        // Typing a comment mark at the start of a line in the middle, then taking it away.
        const bool insert = change % 2 == 0;
        const nlohmann::json range = {
            { "start", { { "line", middle }, { "character", 0 } } },
            { "end", { { "line", middle }, { "character", insert ? 0 : 1 } } },
        };
        messages.push_back(
            framed({ { "jsonrpc", "2.0" },
                     { "method", "textDocument/didChange" },
                     { "params",
                       { { "textDocument", { { "uri", uri }, { "version", change + 2 } } },
                         { "contentChanges",
                           { { { "range", range }, { "text", insert ? ";" : "" } } } } } } }));
    }
    TimingChannel channel(std::move(messages));
    // No picture is asked for: nothing is loaded.
    Console console(kStandardError);
    PictureSources sources({}, {}, console);
    ThreadPictureTools pictures(sources);
    static_cast<void>(LanguageServer(channel, pictures, std::chrono::milliseconds(0)).run());
    std::vector<double> times = channel.times();
    std::sort(times.begin(), times.end());
    if (times.empty()) {
        std::printf("%6d measures: no diagnostics published\n", measures);
        return;
    }
    std::printf("%6d measures (%zu bytes): change to published diagnostics: median %.2f ms, "
                "slowest %.2f ms over %zu changes (the editor's pause of %lld ms not counted)\n",
                measures, chart.size(), times[times.size() / 2], times.back(), times.size(),
                static_cast<long long>(kCheckPause.count()));
}

} // namespace
} // namespace beatplate

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    for (int index = 1; index < argc; ++index)
        sizes.push_back(std::atoi(argv[index]));
    if (sizes.empty())
        sizes = { 200, 2000 };
    for (const int measures : sizes)
        beatplate::timeChanges(measures, 20);
    return 0;
}
