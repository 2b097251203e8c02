// Times beatplate lsp's answers to the requests an editor makes as the author moves about a
// chart: completion, folding ranges and inlay hints (for the whole chart, the most an editor
// asks), for charts of 200 and 2,000 measures (or the sizes given), the chart already checked.
// Prints the median and the slowest of each, from the request handed over to its answer written.
#include "base/text_codec.h"
#include "chart_generator.h"
#include "cli/console.h"
#include "lsp/language_server.h"
#include "pipeline/picture_sources.h"
#include "platform/terminal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace beatplate {
namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

constexpr int kRepeats = 21;
const std::vector<std::string> kMethods = { "textDocument/completion", "textDocument/foldingRange",
                                            "textDocument/inlayHint" };

std::string framed(const json& message)
{
    const std::string body = message.dump();
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Hands the server its messages one by one; a request's time runs from when its first byte is
// handed over to when the answer with its id is written.
class TimingChannel final : public ByteChannel {
public:
    explicit TimingChannel(std::deque<std::pair<int, std::string>> messages)
        : m_messages(std::move(messages))
    {
    }

    TimedRead read(std::span<char> buffer, std::optional<std::chrono::milliseconds>) override
    {
        if (m_current.empty()) {
            if (m_messages.empty())
                return { ReadOutcome::End, 0 };
            auto [id, bytes] = std::move(m_messages.front());
            m_messages.pop_front();
            m_current = std::move(bytes);
            if (id > 0)
                m_handed[id] = Clock::now();
        }
        const std::size_t size = std::min(buffer.size(), m_current.size());
        std::copy_n(m_current.begin(), size, buffer.begin());
        m_current.erase(0, size);
        return { ReadOutcome::Data, size };
    }

    // The header and the body come in writes of their own: a message is whole once its body has
    // the length its header gave.
    bool write(std::string_view bytes) override
    {
        const auto now = Clock::now();
        m_pending += bytes;
        const auto end = m_pending.find("\r\n\r\n");
        if (end == std::string::npos)
            return true;
        const auto length = static_cast<std::size_t>(
            std::atoll(m_pending.substr(std::string_view("Content-Length: ").size()).c_str()));
        if (m_pending.size() < end + 4 + length)
            return true;
        const json message = json::parse(m_pending.substr(end + 4, length), nullptr, false);
        m_pending.erase(0, end + 4 + length);
        if (message.is_object() && message.contains("id") && message["id"].is_number()) {
            const int id = message["id"].get<int>();
            if (const auto handed = m_handed.find(id); handed != m_handed.end())
                m_answered[id] =
                    std::chrono::duration<double, std::milli>(now - handed->second).count();
        }
        return true;
    }

    void log(std::string_view line) override
    {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    }

    Clock::time_point now() const override { return Clock::now(); }

    [[nodiscard]] const std::map<int, double>& answered() const { return m_answered; }

private:
    std::deque<std::pair<int, std::string>> m_messages;
    std::string m_current;
    std::string m_pending; // written, not yet a whole message
    std::map<int, Clock::time_point> m_handed;
    std::map<int, double> m_answered;
};

json requestParams(const std::string& method, int lines)
{
    json params = { { "textDocument", { { "uri", "file:///bench.txt" } } } };
    if (method == "textDocument/completion")
        params["position"] = { { "line", 0 }, { "character", 2 } };
    if (method == "textDocument/inlayHint")
        params["range"] = { { "start", { { "line", 0 }, { "character", 0 } } },
                            { "end", { { "line", lines }, { "character", 0 } } } };
    return params;
}

void timeAnswers(int measures)
{
    const std::string chart = utf8Of(decodeCp932(generateChart(measures)).value_or(u""));
    const int lines = static_cast<int>(std::count(chart.begin(), chart.end(), '\n'));
    std::deque<std::pair<int, std::string>> messages;
    messages.emplace_back(
        0, framed({ { "jsonrpc", "2.0" }, { "id", 0 }, { "method", "initialize" } }));
    messages.emplace_back(0,
                          framed({ { "jsonrpc", "2.0" },
                                   { "method", "textDocument/didOpen" },
                                   { "params",
                                     { { "textDocument",
                                         { { "uri", "file:///bench.txt" },
                                           { "languageId", "beatplate" },
                                           { "version", 1 },
                                           { "text", chart } } } } } }));
    // Untimed (id 0): the chart is read and checked before the requests that are timed.
    messages.emplace_back(0,
                          framed({ { "jsonrpc", "2.0" },
                                   { "id", 0 },
                                   { "method", "textDocument/documentSymbol" },
                                   { "params", requestParams("", lines) } }));
    int id = 0;
    for (const std::string& method : kMethods)
        for (int repeat = 0; repeat < kRepeats; ++repeat) {
            ++id;
            messages.emplace_back(id,
                                  framed({ { "jsonrpc", "2.0" },
                                           { "id", id },
                                           { "method", method },
                                           { "params", requestParams(method, lines) } }));
        }
    TimingChannel channel(std::move(messages));
    // No picture is asked for: nothing is loaded.
    Console console(kStandardError);
    PictureSources sources({}, {}, console);
    static_cast<void>(LanguageServer(channel, sources, std::chrono::milliseconds(0)).run());
    std::printf("%6d measures (%d lines):\n", measures, lines);
    for (std::size_t index = 0; index < kMethods.size(); ++index) {
        std::vector<double> times;
        for (int repeat = 1; repeat <= kRepeats; ++repeat) {
            const auto found = channel.answered().find(static_cast<int>(index) * kRepeats + repeat);
            if (found != channel.answered().end())
                times.push_back(found->second);
        }
        if (times.empty()) {
            std::printf("  %-26s no answers\n", kMethods[index].c_str());
            continue;
        }
        std::sort(times.begin(), times.end());
        std::printf(
            "  %-26s median %7.3f ms, slowest %7.3f ms over %zu requests (target: under 20 ms)\n",
            kMethods[index].c_str(), times[times.size() / 2], times.back(), times.size());
    }
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
        beatplate::timeAnswers(measures);
    return 0;
}
