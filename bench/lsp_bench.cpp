// Times beatplate lsp, the server in this process talking to a scripted editor:
//  - from a change of a chart to its published diagnostics, for charts of 200 and 2,000
//    measures (or the sizes given), without the pause the server waits for;
//  - with --sheet=FILE, hover answers and diagnostics while the picture of a chart of 20,000
//    measures (--picture=N) is drawn;
//  - the semantic tokens of charts of 45,000 and 160,000 measures (--tokens=N, the second about
//    5 MB), their time and the peak memory of a process that opens the chart and answers them;
//    taken first, so that the process they run in has held nothing larger before.
#include "base/text_codec.h"
#include "chart_generator.h"
#include "child_run.h"
#include "cli/console.h"
#include "lsp/language_server.h"
#include "pipeline/picture_sources.h"
#include "platform/terminal.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace beatplate {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

// What the server draws with: the sheet named (none: no picture is asked for), loaded with the
// header face's file before any timing starts.
class BenchSources {
public:
    explicit BenchSources(const std::optional<std::filesystem::path>& sheet)
        : m_sources({ sheet, {} }, {}, m_console)
    {
        if (sheet) {
            static_cast<void>(m_sources.spriteSheet());
            static_cast<void>(m_sources.headerFontFile());
        }
    }

    PictureSources& sources() { return m_sources; }

private:
    Console m_console{ kStandardError };
    PictureSources m_sources;
};

std::string framed(const nlohmann::json& message)
{
    const std::string body = message.dump();
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

const std::string kUri = "file:///bench.txt";
const std::string kOtherUri = "file:///other.txt";

std::string initialize()
{
    return framed({ { "jsonrpc", "2.0" }, { "id", 0 }, { "method", "initialize" } });
}

std::string openChart(const std::string& chart, const std::string& uri = kUri)
{
    return framed({ { "jsonrpc", "2.0" },
                    { "method", "textDocument/didOpen" },
                    { "params",
                      { { "textDocument",
                          { { "uri", uri },
                            { "languageId", "beatplate" },
                            { "version", 1 },
                            { "text", chart } } } } } });
}

// Typing a comment mark at the start of a line, or taking it away.
std::string commentMark(int line, int version, bool insert, const std::string& uri = kUri)
{
    const nlohmann::json range = {
        { "start", { { "line", line }, { "character", 0 } } },
        { "end", { { "line", line }, { "character", insert ? 0 : 1 } } },
    };
    return framed({ { "jsonrpc", "2.0" },
                    { "method", "textDocument/didChange" },
                    { "params",
                      { { "textDocument", { { "uri", uri }, { "version", version } } },
                        { "contentChanges",
                          { { { "range", range }, { "text", insert ? ";" : "" } } } } } } });
}

std::string requestOn(int id, const std::string& method,
                      nlohmann::json params = nlohmann::json::object())
{
    params["textDocument"] = { { "uri", kUri } };
    return framed(
        { { "jsonrpc", "2.0" }, { "id", id }, { "method", method }, { "params", params } });
}

std::string chartText(int measures)
{
    return utf8Of(decodeCp932(generateChart(measures)).value_or(u""));
}

// The editor's side, fed as the bench goes: what it sends waits in a queue for the server, and
// what the server writes is noted with the time it came.
class LiveChannel final : public ByteChannel {
public:
    void send(std::string bytes)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_input += bytes;
        }
        m_changed.notify_all();
    }

    void close()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_closed = true;
        }
        m_changed.notify_all();
    }

    TimedRead read(std::span<char> buffer,
                   std::optional<std::chrono::milliseconds> timeout) override
    {
        std::unique_lock lock(m_mutex);
        const auto ready = [&] { return !m_input.empty() || m_closed; };
        if (timeout)
            m_changed.wait_for(lock, *timeout, ready);
        else
            m_changed.wait(lock, ready);
        if (m_input.empty())
            return { m_closed ? ReadOutcome::End : ReadOutcome::TimedOut, 0 };
        const std::size_t size = std::min(buffer.size(), m_input.size());
        std::copy_n(m_input.begin(), size, buffer.begin());
        m_input.erase(0, size);
        return { ReadOutcome::Data, size };
    }

    // A message is complete when its body has all the bytes its header gave.
    bool write(std::string_view bytes) override
    {
        const auto now = Clock::now();
        {
            const std::lock_guard lock(m_mutex);
            if (m_left == 0) {
                m_left =
                    static_cast<std::size_t>(std::atoll(std::string(bytes.substr(16)).c_str()));
                m_publishing = false;
                m_id.reset();
                return true;
            }
            if (!m_publishing && !m_id) {
                m_publishing =
                    bytes.substr(0, 256).find("publishDiagnostics") != std::string_view::npos;
                m_id = idOf(bytes);
            }
            m_left -= std::min(m_left, bytes.size());
            m_written += bytes.size();
            if (m_left == 0 && m_publishing)
                m_published.push_back(now);
            else if (m_left == 0 && m_id)
                m_answered.emplace(*m_id, now);
        }
        m_changed.notify_all();
        return true;
    }

    void log(std::string_view line) override
    {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    }

    Clock::time_point now() const override { return Clock::now(); }

    // Waits until the answer to id has come, and gives its time.
    Clock::time_point answered(int id)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_answered.contains(id); });
        return m_answered[id];
    }

    [[nodiscard]] bool hasAnswered(int id)
    {
        const std::lock_guard lock(m_mutex);
        return m_answered.contains(id);
    }

    // Waits for the count-th diagnostics published, and gives its time.
    Clock::time_point published(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_published.size() >= count; });
        return m_published[count - 1];
    }

    [[nodiscard]] std::size_t bytesWritten()
    {
        const std::lock_guard lock(m_mutex);
        return m_written;
    }

private:
    static std::optional<int> idOf(std::string_view body)
    {
        const auto at = body.substr(0, 256).find("\"id\":");
        if (at == std::string_view::npos)
            return std::nullopt;
        return std::atoi(std::string(body.substr(at + 5, 12)).c_str());
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_input;
    bool m_closed = false;
    std::size_t m_written = 0;
    std::size_t m_left = 0; // of the message being written
    bool m_publishing = false;
    std::optional<int> m_id;
    std::vector<Clock::time_point> m_published;
    std::map<int, Clock::time_point> m_answered;
};

// A server on a thread of its own over a live channel, ended when it goes.
class LiveServer {
public:
    LiveServer(LiveChannel& channel, PictureSources& sources, std::chrono::milliseconds pause)
        : m_server(channel, sources, pause)
        , m_thread([this] { static_cast<void>(m_server.run()); })
    {
    }

    void join() { m_thread.join(); }

private:
    LanguageServer m_server;
    std::thread m_thread;
};

struct Spread {
    double median = 0;
    double slowest = 0;
    std::size_t count = 0;
};

Spread spreadOf(std::vector<double> times)
{
    if (times.empty())
        return {};
    std::sort(times.begin(), times.end());
    return { times[times.size() / 2], times.back(), times.size() };
}

void timeChanges(int measures, int changes)
{
    const std::string chart = chartText(measures);
    LiveChannel channel;
    BenchSources sources(std::nullopt);
    LiveServer server(channel, sources.sources(), std::chrono::milliseconds(0));
    channel.send(initialize());
    channel.send(openChart(chart));
    channel.published(1);
    const int middle = static_cast<int>(std::count(chart.begin(), chart.end(), '\n') / 2);
    std::vector<double> times;
    for (int change = 0; change < changes; ++change) {
        const auto sent = Clock::now();
        channel.send(commentMark(middle, change + 2, change % 2 == 0));
        times.push_back(
            Milliseconds(channel.published(static_cast<std::size_t>(change) + 2) - sent).count());
    }
    channel.close();
    server.join();
    const Spread spread = spreadOf(times);
    std::printf("%6d measures (%zu bytes): change to published diagnostics: median %.2f ms, "
                "slowest %.2f ms over %zu changes (the editor's pause of %lld ms not counted)\n",
                measures, chart.size(), spread.median, spread.slowest, spread.count,
                static_cast<long long>(kCheckPause.count()));
}

// Hovers on the chart drawn and changes of another chart, one after another, while the picture
// is drawn (a change of the chart drawn would cancel its picture); the changes' diagnostics wait
// for the server's own pause, which is taken off their times.
void timeWhileDrawing(int measures, const std::filesystem::path& sheet)
{
    const std::string chart = chartText(measures);
    const std::string other = chartText(2000);
    LiveChannel channel;
    BenchSources sources(sheet);
    LiveServer server(channel, sources.sources(), kCheckPause);
    channel.send(initialize());
    channel.send(openChart(chart));
    channel.send(openChart(other, kOtherUri));
    channel.published(2);
    const int middle = static_cast<int>(std::count(chart.begin(), chart.end(), '\n') / 2);
    const int otherMiddle = static_cast<int>(std::count(other.begin(), other.end(), '\n') / 2);
    constexpr int kPicture = 1;
    const auto asked = Clock::now();
    channel.send(requestOn(kPicture, "beatplate/picture"));
    std::vector<double> hovers;
    std::vector<double> checks;
    int id = kPicture + 1;
    std::size_t published = 2;
    while (!channel.hasAnswered(kPicture)) {
        const nlohmann::json position = { { "position",
                                            { { "line", middle + 1 }, { "character", 3 } } } };
        auto sent = Clock::now();
        channel.send(requestOn(id, "textDocument/hover", position));
        hovers.push_back(Milliseconds(channel.answered(id) - sent).count());
        sent = Clock::now();
        channel.send(commentMark(otherMiddle, id, id % 2 == 0, kOtherUri));
        ++published;
        checks.push_back(Milliseconds(channel.published(published) - sent - kCheckPause).count());
        ++id;
    }
    const double picture = Milliseconds(channel.answered(kPicture) - asked).count();
    const std::size_t answer = channel.bytesWritten();
    channel.close();
    server.join();
    const Spread hover = spreadOf(hovers);
    const Spread check = spreadOf(checks);
    std::printf(
        "%6d measures (%zu bytes), its picture drawn in %.0f ms (%zu bytes written in all); "
        "meanwhile hover answered in median %.2f ms, slowest %.2f ms (%zu hovers); "
        "diagnostics of a change to a chart of 2,000 measures after the %lld ms pause in "
        "median %.2f ms, slowest %.2f ms\n",
        measures, chart.size(), picture, answer, hover.median, hover.slowest, hover.count,
        static_cast<long long>(kCheckPause.count()), check.median, check.slowest);
}

struct TokenFigures {
    double milliseconds = 0;
    std::size_t answerBytes = 0;
    double baseMegabytes = 0; // the bench's own, the chart's message held, before the server
    double openedMegabytes = 0; // once the chart is open and checked
    double peakMegabytes = 0; // once the tokens are answered
};

TokenFigures timeTokens(const std::string& chart)
{
    LiveChannel channel;
    BenchSources sources(std::nullopt);
    std::string opening = openChart(chart);
    TokenFigures figures;
    figures.baseMegabytes = peakResidentMegabytes();
    LiveServer server(channel, sources.sources(), std::chrono::milliseconds(0));
    channel.send(initialize());
    channel.send(std::move(opening));
    channel.published(1);
    figures.openedMegabytes = peakResidentMegabytes();
    const std::size_t before = channel.bytesWritten();
    const auto sent = Clock::now();
    channel.send(requestOn(1, "textDocument/semanticTokens/full"));
    figures.milliseconds = Milliseconds(channel.answered(1) - sent).count();
    figures.answerBytes = channel.bytesWritten() - before;
    figures.peakMegabytes = peakResidentMegabytes();
    channel.close();
    server.join();
    return figures;
}

void measureTokens(int measures)
{
    const std::string chart = chartText(measures);
    // A process of its own, so that the peak is the server's and not what ran before.
    const auto figures = runInChild([&] { return timeTokens(chart); });
    if (!figures) {
        std::printf("semantic tokens: the measured run failed\n");
        return;
    }
    std::printf("%6d measures (%.1f MB): semantic tokens of the whole chart in %.0f ms, an answer "
                "of %.1f MB; peak memory %.0f MB before the server, %.0f MB with the chart open "
                "and checked, %.0f MB after the tokens\n",
                measures, static_cast<double>(chart.size()) / 1e6, figures->milliseconds,
                static_cast<double>(figures->answerBytes) / 1e6, figures->baseMegabytes,
                figures->openedMegabytes, figures->peakMegabytes);
}

} // namespace
} // namespace beatplate

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    std::optional<std::filesystem::path> sheet;
    int pictureMeasures = 20000;
    std::vector<int> tokenMeasures;
    for (int index = 1; index < argc; ++index) {
        const std::string_view argument = argv[index];
        if (argument.starts_with("--sheet="))
            sheet = std::filesystem::path(argument.substr(8));
        else if (argument.starts_with("--picture="))
            pictureMeasures = std::atoi(argv[index] + 10);
        else if (argument.starts_with("--tokens="))
            tokenMeasures.push_back(std::atoi(argv[index] + 9));
        else
            sizes.push_back(std::atoi(argv[index]));
    }
    if (sizes.empty())
        sizes = { 200, 2000 };
    if (tokenMeasures.empty())
        tokenMeasures = { 45000, 160000 };
    for (const int measures : tokenMeasures)
        beatplate::measureTokens(measures);
    for (const int measures : sizes)
        beatplate::timeChanges(measures, 20);
    if (sheet)
        beatplate::timeWhileDrawing(pictureMeasures, *sheet);
    else
        std::printf("(no --sheet=FILE: the picture is not timed)\n");
    return 0;
}
