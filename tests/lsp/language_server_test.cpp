#include "cli/console.h"
#include "lsp/language_server.h"
#include "pipeline/picture_sources.h"
#include "platform/terminal.h"
#include "support/png_file.h"
#include "support/test_sheet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace beatplate {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// Holds the first picture back until it is opened: while it waits, the picture is being drawn.
class Gate {
public:
    void open()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_opened.notify_all();
    }

    // The bound only turns a server that waits for the picture into a failed test, not a hung one.
    void wait()
    {
        std::unique_lock lock(m_mutex);
        m_opened.wait_for(lock, 10s, [&] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_open = false;
};

// The sources of the pictures, whose sheet is loaded, by the first picture drawn, only once the
// gate, if any, is open.
class GatedSources final : public PictureSources {
public:
    GatedSources(SheetChoice sheet, HeaderFontChoice font, Console& console, Gate* gate)
        : PictureSources(std::move(sheet), std::move(font), console)
        , m_gate(gate)
    {
    }

private:
    std::optional<Canvas> loadSheet(const SheetChoice& choice) const override
    {
        if (m_gate != nullptr)
            m_gate->wait();
        return PictureSources::loadSheet(choice);
    }

    Gate* m_gate;
};

// What the editor sends: a message, bytes as they stand, or a pause in its typing; or what it
// does once the server has read all before: opens the gate, or waits for an answer.
struct Input {
    std::string bytes;
    std::chrono::milliseconds pause{ 0 };
    Gate* opens = nullptr;
    std::optional<int> awaits{};
};

Input message(const json& body)
{
    const std::string text = body.dump();
    return { "Content-Length: " + std::to_string(text.size()) + "\r\n\r\n" + text, {} };
}

Input raw(const std::string& body)
{
    return { "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body, {} };
}

Input pause(std::chrono::milliseconds length)
{
    return { {}, length };
}

Input openGate(Gate& gate)
{
    return { {}, {}, &gate };
}

Input awaitAnswer(int id)
{
    return { {}, {}, nullptr, id };
}

Input request(int id, const std::string& method, json params = json::object())
{
    return message(
        { { "jsonrpc", "2.0" }, { "id", id }, { "method", method }, { "params", params } });
}

Input notification(const std::string& method, json params = json::object())
{
    return message({ { "jsonrpc", "2.0" }, { "method", method }, { "params", params } });
}

const std::string kUri = "file:///song.txt";

Input open(const std::string& text, const std::string& uri = kUri)
{
    return notification("textDocument/didOpen",
                        { { "textDocument",
                            { { "uri", uri },
                              { "languageId", "beatplate" },
                              { "version", 1 },
                              { "text", text } } } });
}

Input change(int version, json range, const std::string& text)
{
    return notification("textDocument/didChange",
                        { { "textDocument", { { "uri", kUri }, { "version", version } } },
                          { "contentChanges", { { { "range", range }, { "text", text } } } } });
}

json range(json line, json character, json endLine, json endCharacter)
{
    return { { "start", { { "line", line }, { "character", character } } },
             { "end", { { "line", endLine }, { "character", endCharacter } } } };
}

json onDocument(json more = json::object())
{
    more["textDocument"] = { { "uri", kUri } };
    return more;
}

// The editor's side of the channel: its inputs in order, time that passes only in its pauses.
class ScriptedChannel final : public ByteChannel {
public:
    explicit ScriptedChannel(std::vector<Input> inputs)
        : m_inputs(inputs.begin(), inputs.end())
    {
    }

    TimedRead read(std::span<char> buffer,
                   std::optional<std::chrono::milliseconds> timeout) override
    {
        while (!m_inputs.empty()) {
            Input& next = m_inputs.front();
            if (next.opens != nullptr)
                next.opens->open();
            if (next.awaits)
                waitForAnswer(*next.awaits);
            next.opens = nullptr;
            next.awaits.reset();
            if (next.pause > 0ms) {
                const auto waited = timeout ? std::min(*timeout, next.pause) : next.pause;
                m_now += waited;
                next.pause -= waited;
                if (timeout)
                    return { ReadOutcome::TimedOut, 0 };
                continue;
            }
            if (next.bytes.empty()) {
                m_inputs.pop_front();
                continue;
            }
            const std::size_t size = std::min(buffer.size(), next.bytes.size());
            std::copy_n(next.bytes.begin(), size, buffer.begin());
            next.bytes.erase(0, size);
            if (next.bytes.empty())
                m_inputs.pop_front();
            return { ReadOutcome::Data, size };
        }
        return { ReadOutcome::End, 0 };
    }

    bool write(std::string_view bytes) override
    {
        {
            const std::lock_guard lock(m_mutex);
            m_written += bytes;
        }
        m_wrote.notify_all();
        return true;
    }

    void log(std::string_view line) override
    {
        const std::lock_guard lock(m_mutex);
        m_log.emplace_back(line);
    }

    [[nodiscard]] std::chrono::steady_clock::time_point now() const override { return m_now; }

    // Every message written, in order.
    [[nodiscard]] std::vector<json> sent() const
    {
        const std::lock_guard lock(m_mutex);
        return parsed(m_written);
    }

    [[nodiscard]] std::vector<std::string> logged() const
    {
        const std::lock_guard lock(m_mutex);
        return m_log;
    }

    // Inputs the server never read, because it had ended.
    [[nodiscard]] std::size_t unread() const { return m_inputs.size(); }

private:
    // A message is written as a header and a body: whole once the body has come.
    static std::vector<json> parsed(std::string_view rest)
    {
        std::vector<json> messages;
        while (!rest.empty()) {
            const auto headerEnd = rest.find("\r\n\r\n");
            const auto length = std::stoul(std::string(rest.substr(16, headerEnd - 16)));
            if (rest.size() < headerEnd + 4 + length)
                break;
            messages.push_back(json::parse(rest.substr(headerEnd + 4, length)));
            rest.remove_prefix(headerEnd + 4 + length);
        }
        return messages;
    }

    // Bounded only so that a lost answer fails the test instead of hanging it.
    void waitForAnswer(int id)
    {
        std::unique_lock lock(m_mutex);
        m_wrote.wait_for(lock, 60s, [&] {
            const auto messages = parsed(m_written);
            return std::any_of(messages.begin(), messages.end(), [&](const json& message) {
                return message.contains("id") && message["id"] == id;
            });
        });
    }

    std::deque<Input> m_inputs;
    mutable std::mutex m_mutex;
    std::condition_variable m_wrote;
    std::string m_written;
    std::vector<std::string> m_log;
    std::chrono::steady_clock::time_point m_now{};
};

struct Session {
    int status = -1;
    std::vector<json> sent;
    std::vector<std::string> logged;
    std::size_t unread = 0;

    [[nodiscard]] json answer(int id) const
    {
        for (const json& entry : sent) {
            if (entry.contains("id") && entry["id"] == id)
                return entry;
        }
        return nullptr;
    }
    // Where among the messages sent the answers to id are.
    [[nodiscard]] std::vector<std::size_t> answerPlaces(int id) const
    {
        std::vector<std::size_t> places;
        for (std::size_t index = 0; index < sent.size(); ++index) {
            if (sent[index].contains("id") && sent[index]["id"] == id)
                places.push_back(index);
        }
        return places;
    }
    [[nodiscard]] std::vector<json> notifications(const std::string& method) const
    {
        std::vector<json> found;
        for (const json& entry : sent) {
            if (entry.value("method", "") == method)
                found.push_back(entry["params"]);
        }
        return found;
    }
    [[nodiscard]] std::vector<std::string> diagnosticTexts() const
    {
        std::vector<std::string> texts;
        const auto published = notifications("textDocument/publishDiagnostics");
        if (published.empty())
            return texts;
        for (const json& diagnostic : published.back()["diagnostics"]) {
            const auto& start = diagnostic["range"]["start"];
            texts.push_back(std::to_string(start["line"].get<int>()) + ":"
                            + std::to_string(start["character"].get<int>()) + " "
                            + diagnostic["message"].get<std::string>());
        }
        return texts;
    }
};

// Runs a server over the inputs after an initialize (id 0), with a small message limit; the
// sprite sheet is loaded once the gate, if any, is opened.
Session serve(std::vector<Input> inputs, bool initialize = true, Gate* gate = nullptr)
{
    if (initialize)
        inputs.insert(inputs.begin(), request(0, "initialize"));
    ScriptedChannel channel(std::move(inputs));
    const auto sheet = test::encodeCanvasPng(test::makeTestSheet());
    Console console(kStandardError);
    // A named font that cannot be opened leaves the header out.
    GatedSources sources({ std::nullopt, sheet }, { "/nonexistent/font.ttf", std::nullopt },
                         console, gate);
    LanguageServer server(channel, sources, 150ms, 4096);
    const int status = server.run();
    return { status, channel.sent(), channel.logged(), channel.unread() };
}

struct ProtocolCase {
    const char* name;
    std::vector<Input> inputs;
    std::function<void(const Session&)> check;
    bool initialize = true;
    std::shared_ptr<Gate> gate = nullptr;
};

int errorCode(const json& answer)
{
    return answer.at("error").at("code").get<int>();
}

const std::string kChart = "#title Song\n#bpm 120\no o x o o o x o oooo\n#bmp 3\n(===\n";

std::vector<ProtocolCase> lifecycleCases()
{
    return {
        { "initialize, shutdown and exit",
          { request(1, "shutdown"), notification("exit") },
          [](const Session& session) {
              const json capabilities = session.answer(0)["result"]["capabilities"];
              EXPECT_EQ(capabilities["textDocumentSync"]["change"], 2);
              EXPECT_EQ(capabilities["positionEncoding"], "utf-16");
              for (const char* provider :
                   { "completionProvider", "foldingRangeProvider", "inlayHintProvider",
                     "selectionRangeProvider", "documentHighlightProvider" })
                  EXPECT_TRUE(capabilities.contains(provider)) << provider;
              EXPECT_TRUE(session.answer(1)["result"].is_null());
              EXPECT_EQ(session.status, 0);
          } },
        { "exit without shutdown",
          { notification("exit") },
          [](const Session& session) { EXPECT_EQ(session.status, 1); } },
        { "input closed after shutdown",
          { request(1, "shutdown") },
          [](const Session& session) { EXPECT_EQ(session.status, 0); } },
        { "input closed in the middle of a message",
          { { "Content-Length: 50\r\n\r\n{\"js", {} } },
          [](const Session& session) { EXPECT_EQ(session.status, 1); } },
        { "request before initialize",
          { request(1, "textDocument/hover", onDocument()) },
          [](const Session& session) { EXPECT_EQ(errorCode(session.answer(1)), -32002); },
          false },
        { "request after shutdown",
          { request(1, "shutdown"), request(2, "shutdown") },
          [](const Session& session) { EXPECT_EQ(errorCode(session.answer(2)), -32600); } },
        { "unknown method",
          { notification("$/unknown"), request(1, "beatplate/unknown") },
          [](const Session& session) {
              EXPECT_EQ(errorCode(session.answer(1)), -32601);
              EXPECT_EQ(session.sent.size(), 2u);
          } },
    };
}

std::vector<ProtocolCase> malformedCases()
{
    return {
        { "not JSON",
          { raw("{\"jsonrpc\": \"2.0\", \"id\": 1,"), request(2, "shutdown") },
          [](const Session& session) {
              EXPECT_EQ(session.sent.at(1)["error"]["code"], -32700);
              EXPECT_TRUE(session.sent.at(1)["id"].is_null());
              EXPECT_TRUE(session.answer(2)["result"].is_null());
          } },

        { "no method",
          { raw("{\"jsonrpc\":\"2.0\",\"method\":3,\"id\":1}") },
          [](const Session& session) { EXPECT_EQ(errorCode(session.answer(1)), -32600); } },
        { "params of the wrong shape",
          { request(1, "textDocument/hover", { { "textDocument", 3 } }) },
          [](const Session& session) { EXPECT_EQ(errorCode(session.answer(1)), -32602); } },
        { "unknown document",
          { request(1, "textDocument/hover",
                    onDocument({ { "position", { { "line", 0 }, { "character", 0 } } } })),
            change(2, range(0, 0, 0, 0), "o"), request(2, "beatplate/picture", onDocument()) },
          [](const Session& session) {
              EXPECT_EQ(errorCode(session.answer(1)), -32602);
              EXPECT_EQ(errorCode(session.answer(2)), -32602);
              EXPECT_THAT(
                  session.notifications("window/showMessage").at(0)["message"].get<std::string>(),
                  testing::HasSubstr("unknown document"));
          } },

        { "lone surrogate in the text",
          { raw(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":)"
                R"({"uri":"file:///song.txt","languageId":"beatplate","version":1,)"
                R"("text":"#title a\ud800\no\n"}}})") },
          [](const Session& session) {
              EXPECT_THAT(session.diagnosticTexts(),
                          testing::ElementsAre(testing::StartsWith("0:8 encoding error.")));
          } },
        { "bytes that are not UTF-8 in the text",
          { raw("{\"jsonrpc\":\"2.0\",\"method\":\"textDocument/"
                "didOpen\",\"params\":{\"textDocument\":"
                "{\"uri\":\"file:///song.txt\",\"languageId\":\"beatplate\",\"version\":1,"
                "\"text\":\"#title \xff\\no\"}}}") },
          [](const Session& session) {
              EXPECT_THAT(session.diagnosticTexts(),
                          testing::ElementsAre(testing::StartsWith("0:7 encoding error.")));
          } },
    };
}

std::vector<ProtocolCase> documentCases()
{
    return {
        { "diagnostics on open, as --check gives them",
          { open(kChart) },
          [](const Session& session) {
              EXPECT_THAT(session.diagnosticTexts(),
                          testing::ElementsAre("3:1 unknown command. (#bmp; did you mean #bpm?)",
                                               "4:0 span is never closed; it is not drawn."));
              const json first =
                  session.notifications("textDocument/publishDiagnostics")[0]["diagnostics"][0];
              EXPECT_EQ(first["range"], range(3, 1, 3, 4));
              EXPECT_EQ(first["severity"], 1);
          } },
        { "a change is checked once, after the pause",
          { open(kChart), change(2, range(3, 2, 3, 4), "pm"), pause(100ms),
            change(3, range(4, 4, 4, 4), ")"), pause(149ms), request(1, "shutdown"), pause(10ms) },
          [](const Session& session) {
              const auto published = session.notifications("textDocument/publishDiagnostics");
              ASSERT_EQ(published.size(), 2u);
              EXPECT_EQ(published[1]["version"], 3);
              EXPECT_TRUE(published[1]["diagnostics"].empty());
              // Published after the answer that came before the pause was over.
              EXPECT_EQ(session.sent.back()["method"], "textDocument/publishDiagnostics");
          } },
        { "multi-byte characters count in UTF-16 code units",
          { open("#title \xF0\x9D\x84\x9E\xE3\x81\x82\no\xE3\x80\x80o\n"),
            change(2, range(1, 1, 1, 2), " "), pause(200ms), change(3, range(0, 10, 0, 10), "x"),
            pause(200ms),
            request(1, "textDocument/hover",
                    onDocument({ { "position", { { "line", 0 }, { "character", 1 } } } })) },
          [](const Session& session) {
              const auto published = session.notifications("textDocument/publishDiagnostics");
              ASSERT_EQ(published.size(), 3u);
              EXPECT_EQ(published[0]["diagnostics"][0]["range"], range(1, 1, 1, 2));
              EXPECT_TRUE(published[1]["diagnostics"].empty());
              EXPECT_THAT(session.answer(1)["result"]["contents"]["value"].get<std::string>(),
                          testing::HasSubstr("value as read: `\xF0\x9D\x84\x9E\xE3\x81\x82x`"));
          } },
        { "text after U+001A is not read, and the author is told",
          { open("#title Song\noo\x1Aoo\noooo\n"), open("#title Song\no\x1A", "file:///end.txt") },
          [](const Session& session) {
              const auto published = session.notifications("textDocument/publishDiagnostics");
              ASSERT_EQ(published.size(), 2u);
              EXPECT_TRUE(published[1]["diagnostics"].empty());
              const json warning = published[0]["diagnostics"].at(0);
              EXPECT_EQ(warning["message"], "the chart ends here; the text after it is not read");
              EXPECT_EQ(warning["severity"], 2);
              EXPECT_EQ(warning["range"]["start"], json({ { "line", 1 }, { "character", 2 } }));
          } },
        { "close clears the diagnostics",
          { open(kChart), notification("textDocument/didClose", onDocument()) },
          [](const Session& session) { EXPECT_TRUE(session.diagnosticTexts().empty()); } },
    };
}

const std::string kFeatureChart = "#title Song\n#bpm 120\n#hs 2\n#branch oox\n"
                                  "o\tx\n(=====\n#branch oxx\n#begingogo\n"
    + std::string(16 * 9, 'o') + "\n#endgogo\n#bpm 150,5\n";

std::vector<ProtocolCase> featureCases()
{
    return {
        { "hover on a note and on a directive",
          { open(kFeatureChart),
            request(1, "textDocument/hover",
                    onDocument({ { "position", { { "line", 4 }, { "character", 2 } } } })),
            request(2, "textDocument/hover",
                    onDocument({ { "position", { { "line", 1 }, { "character", 2 } } } })),
            request(3, "textDocument/hover",
                    onDocument({ { "position", { { "line", 8 }, { "character", 36 } } } })) },
          [](const Session& session) {
              EXPECT_EQ(session.answer(1)["result"]["contents"]["value"],
                        "**measure 1**, beat 2 (tick 480)\n\ntime 0.500 s · tempo 120 · scroll "
                        "speed 2 · branch first");
              EXPECT_THAT(session.answer(2)["result"]["contents"]["value"].get<std::string>(),
                          testing::StartsWith("`#bpm` sets the tempo"));
              EXPECT_EQ(session.answer(3)["result"]["contents"]["value"],
                        "**measure 4**, beat 2 (tick 480)\n\ntime 6.500 s · tempo 120 · scroll "
                        "speed 2 · branch first");
          } },
        { "outline",
          { open(kFeatureChart), request(1, "textDocument/documentSymbol", onDocument()) },
          [](const Session& session) {
              std::vector<std::string> names;
              const json answer = session.answer(1);
              for (const json& symbol : answer["result"])
                  names.push_back(symbol["name"]);
              EXPECT_THAT(names,
                          testing::ElementsAre("title Song", "tempo 120", "branch oox",
                                               "branch oxx", "gogo", "measure 10", "tempo 150,5"));
          } },
        { "quick fixes",
          { open(kFeatureChart + std::string(17, 'o') + "\no o\xE3\x80\x80\n"),
            request(
                1, "textDocument/codeAction",
                onDocument({ { "range", range(0, 0, 20, 0) }, { "context", json::object() } })) },
          [](const Session& session) {
              std::vector<std::string> fixes;
              const json answer = session.answer(1);
              for (const json& action : answer["result"]) {
                  const json edit = action["edit"]["changes"][kUri][0];
                  fixes.push_back(action["title"].get<std::string>() + " @"
                                  + std::to_string(edit["range"]["start"]["line"].get<int>()) + ":"
                                  + std::to_string(edit["range"]["start"]["character"].get<int>())
                                  + " " + edit["newText"].get<std::string>());
              }
              EXPECT_THAT(
                  fixes,
                  testing::IsSupersetOf(std::vector<std::string>{
                      "Close the span with \")\" @5:5 )",
                      "Put a space between the number and what follows @10:8  ",
                      "Pad the line with rests to whole measures @11:17 " + std::string(15, ' '),
                      "Trim the line to whole measures @11:16 ",
                      "Replace the full-width spaces with spaces @12:3  ",
                  }));
          } },
        { "semantic tokens, of the whole chart and of ranges",
          { open(";c\n#bpm 1\noO(=)\n"),
            request(1, "textDocument/semanticTokens/full", onDocument()),
            request(2, "textDocument/semanticTokens/range",
                    onDocument({ { "range", range(1, 3, 2, 0) } })),
            request(3, "textDocument/semanticTokens/range",
                    onDocument({ { "range", range(2, 0, 9, 0) } })),
            request(4, "textDocument/semanticTokens/range",
                    onDocument({ { "range", range(7, 0, 9, 0) } })) },
          [](const Session& session) {
              EXPECT_EQ(session.answer(1)["result"]["data"],
                        json({ 0, 0, 2, 0, 0, 1, 0, 4, 1, 0, 0, 5, 1, 2, 0,
                               1, 0, 1, 3, 0, 0, 1, 1, 3, 1, 0, 1, 3, 5, 0 }));
              EXPECT_EQ(session.answer(2)["result"]["data"],
                        json({ 1, 0, 4, 1, 0, 0, 5, 1, 2, 0 }));
              EXPECT_EQ(session.answer(3)["result"]["data"],
                        json({ 2, 0, 1, 3, 0, 0, 1, 1, 3, 1, 0, 1, 3, 5, 0 }));
              EXPECT_EQ(session.answer(4)["result"]["data"], json::array());
              EXPECT_TRUE(
                  session.answer(0)["result"]["capabilities"]["semanticTokensProvider"]["range"]);
          } },
        { "picture with figures, and none for a chart with an error",
          { open("#title Song\no o x o\n"), request(1, "beatplate/picture", onDocument()),
            awaitAnswer(1), change(2, range(0, 0, 0, 0), "#bmp\n"),
            request(2, "beatplate/picture", onDocument()), awaitAnswer(2) },
          [](const Session& session) {
              const json drawn = session.answer(1)["result"];
              const std::string png = drawn["png"].get<std::string>();
              EXPECT_EQ(png.substr(0, 8), "iVBORw0K"); // the PNG signature in base64
              EXPECT_EQ(drawn["figures"]["notes"]["total"], 4);
              const json failed = session.answer(2)["result"];
              EXPECT_TRUE(failed["png"].is_null());
              EXPECT_EQ(failed["error"],
                        kUri + ":1:2: error: unknown command. (#bmp; did you mean #bpm?)");
          } },
    };
}

// Comments, sections, a span over two lines, a line of two measures, two branches and a tempo
// change: every range the editing requests find.
const std::string kEditingChart = "; a chart\n; two lines\n#title Song\n#bpm 120\n"
    + std::string("(") + std::string(15, '=') + "\n===)" + std::string(11, 'o')
    + "\n#bpm 60\n#begingogo\n" + std::string(32, 'o') + "\n#endgogo\n#branch oox\no\nx\n"
    + "#branch oxx\n<=>\n\n";

json at(int line, int character)
{
    return { { "line", line }, { "character", character } };
}

// The labels of an answer's items, or its hints.
std::vector<std::string> labels(const json& items)
{
    std::vector<std::string> found;
    for (const json& item : items)
        found.push_back(item["label"]);
    return found;
}

// A selection range and its parents as "line:character-line:character", narrowest first.
std::vector<std::string> selectionChain(json selection)
{
    std::vector<std::string> chain;
    for (; selection.is_object(); selection = selection.value("parent", json())) {
        const json& range = selection["range"];
        chain.push_back(std::to_string(range["start"]["line"].get<int>()) + ":"
                        + std::to_string(range["start"]["character"].get<int>()) + "-"
                        + std::to_string(range["end"]["line"].get<int>()) + ":"
                        + std::to_string(range["end"]["character"].get<int>()));
    }
    return chain;
}

// The width in a base64 PNG's header: its first 24 bytes are the first 32 characters.
std::uint32_t pngWidth(const std::string& base64)
{
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = 0; at + 4 <= 32 && at + 4 <= base64.size(); at += 4) {
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 4; ++i)
            group = group << 6 | static_cast<std::uint32_t>(alphabet.find(base64[at + i]));
        for (int shift = 16; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<std::uint8_t>(group >> shift));
    }
    return bytes.size() < 24 ? 0 : bytes[16] << 24 | bytes[17] << 16 | bytes[18] << 8 | bytes[19];
}

std::vector<ProtocolCase> editingCases()
{
    const json withRefresh = {
        { "capabilities", { { "workspace", { { "inlayHint", { { "refreshSupport", true } } } } } } }
    };
    const auto settings = [](bool hints) {
        return notification("workspace/didChangeConfiguration",
                            { { "settings", { { "beatplate", { { "inlayHints", hints } } } } } });
    };
    return {
        { "folding ranges of comments, gogo and branch sections",
          { open(kEditingChart), request(1, "textDocument/foldingRange", onDocument()) },
          [](const Session& session) {
              EXPECT_EQ(session.answer(1)["result"],
                        json({ { { "startLine", 0 }, { "endLine", 1 }, { "kind", "comment" } },
                               { { "startLine", 7 }, { "endLine", 9 }, { "kind", "region" } },
                               { { "startLine", 10 }, { "endLine", 12 }, { "kind", "region" } },
                               { { "startLine", 13 }, { "endLine", 14 }, { "kind", "region" } } }));
          } },
        { "inlay hints in a range, turned off and on by the settings",
          { request(0, "initialize", withRefresh), open(kEditingChart),
            request(1, "textDocument/inlayHint", onDocument({ { "range", range(0, 0, 20, 0) } })),
            request(2, "textDocument/inlayHint", onDocument({ { "range", range(5, 3, 8, 0) } })),
            settings(false),
            request(3, "textDocument/inlayHint", onDocument({ { "range", range(0, 0, 20, 0) } })),
            settings(false), settings(true),
            request(4, "textDocument/inlayHint", onDocument({ { "range", range(0, 0, 20, 0) } })) },
          [](const Session& session) {
              const json all = session.answer(1)["result"];
              EXPECT_THAT(labels(all),
                          testing::ElementsAre("m1 · 0:00.00", "m2 · 0:02.00", "m3 · 0:04.00",
                                               "m5 · 0:12.00", "m5 · 0:12.00", "m6 · 0:16.00"));
              EXPECT_EQ(all[3]["position"], at(11, 0));
              EXPECT_THAT(labels(session.answer(2)["result"]),
                          testing::ElementsAre("m2 · 0:02.00", "m3 · 0:04.00"));
              EXPECT_EQ(session.answer(3)["result"], json::array());
              EXPECT_EQ(session.answer(4)["result"], all);
              // A refresh for each change of the setting, none for a setting left as it was.
              std::size_t refreshes = 0;
              for (const json& sent : session.sent)
                  refreshes += sent.value("method", "") == "workspace/inlayHint/refresh";
              EXPECT_EQ(refreshes, 2u);
          },
          false },
        { "document highlight of a span's two ends",
          { open(kEditingChart),
            request(1, "textDocument/documentHighlight", onDocument({ { "position", at(4, 5) } })),
            request(2, "textDocument/documentHighlight", onDocument({ { "position", at(5, 4) } })),
            request(3, "textDocument/documentHighlight", onDocument({ { "position", at(5, 5) } })),
            request(4, "textDocument/documentHighlight",
                    onDocument({ { "position", at(14, 1) } })) },
          [](const Session& session) {
              const json ends = { { { "range", range(4, 0, 4, 1) }, { "kind", 1 } },
                                  { { "range", range(5, 3, 5, 4) }, { "kind", 1 } } };
              EXPECT_EQ(session.answer(1)["result"], ends);
              EXPECT_EQ(session.answer(2)["result"], ends);
              EXPECT_EQ(session.answer(3)["result"], json::array());
              EXPECT_EQ(session.answer(4)["result"][1]["range"], range(14, 2, 14, 3));
          } },
        { "selection ranges: character, span or measure, line, section, chart",
          { open(kEditingChart),
            request(1, "textDocument/selectionRange",
                    onDocument({ { "positions", { at(8, 20), at(4, 5) } } })) },
          [](const Session& session) {
              const json result = session.answer(1)["result"];
              EXPECT_THAT(selectionChain(result[0]),
                          testing::ElementsAre("8:20-8:20", "8:20-8:21", "8:16-8:32", "8:0-8:32",
                                               "7:0-9:8", "0:0-16:0"));
              EXPECT_THAT(
                  selectionChain(result[1]),
                  testing::ElementsAre("4:5-4:5", "4:5-4:6", "4:0-4:16", "4:0-5:4", "0:0-16:0"));
          } },
        { "picture in the columns asked for",
          { open(std::string(16 * 40, 'o') + "\n"), request(1, "beatplate/picture", onDocument()),
            awaitAnswer(1), request(2, "beatplate/picture", onDocument({ { "columns", 2 } })),
            awaitAnswer(2), request(3, "beatplate/picture", onDocument({ { "columns", "auto" } })),
            awaitAnswer(3), request(4, "beatplate/picture", onDocument({ { "columns", 0 } })) },
          [](const Session& session) {
              const auto width = [&](int id) {
                  return pngWidth(session.answer(id)["result"]["png"].get<std::string>());
              };
              EXPECT_EQ(width(1), 816u);
              EXPECT_GT(width(2), width(1));
              EXPECT_GT(width(3), 0u);
              EXPECT_EQ(errorCode(session.answer(4)), -32602);
          } },
        { "completion of directives and of their known values",
          { open("#ta\n#tab 8\n#meter 4 \no\n"),
            request(1, "textDocument/completion", onDocument({ { "position", at(0, 3) } })),
            request(2, "textDocument/completion", onDocument({ { "position", at(1, 6) } })),
            request(3, "textDocument/completion", onDocument({ { "position", at(2, 9) } })),
            request(4, "textDocument/completion", onDocument({ { "position", at(3, 1) } })) },
          [](const Session& session) {
              const json directives = session.answer(1)["result"]["items"];
              EXPECT_THAT(labels(directives),
                          testing::ElementsAre("title", "difficulty", "level", "bpm", "hs", "meter",
                                               "beatchar", "tab", "branch", "begingogo", "endgogo",
                                               "newline"));
              EXPECT_EQ(directives[5]["detail"], "#meter d n");
              EXPECT_EQ(directives[3]["detail"], "#bpm tempo [d n]");
              EXPECT_EQ(directives[7]["textEdit"],
                        json({ { "range", range(0, 1, 0, 3) }, { "newText", "tab" } }));
              const json values = session.answer(2)["result"]["items"];
              EXPECT_THAT(labels(values), testing::ElementsAre("4", "8"));
              EXPECT_EQ(values[0]["textEdit"]["range"], range(1, 5, 1, 6));
              EXPECT_EQ(session.answer(3)["result"]["items"], json::array());
              EXPECT_EQ(session.answer(4)["result"]["items"], json::array());
          } },
    };
}

// The fault the server ended on, in its log, and the input it left unread.
void expectEndedOn(const Session& session, const std::string& problem)
{
    EXPECT_EQ(session.status, 1);
    EXPECT_THAT(session.logged, testing::ElementsAre(testing::HasSubstr(problem)));
    EXPECT_EQ(session.unread, 1u);
    EXPECT_TRUE(session.answer(1).is_null());
}

std::vector<ProtocolCase> framingCases()
{
    const std::string shutdown = R"({"jsonrpc":"2.0","id":1,"method":"shutdown"})";
    return {
        { "header lines ended by LF alone",
          { { "Content-Length: " + std::to_string(shutdown.size()) + "\n\n" + shutdown, {} } },
          [](const Session& session) {
              ASSERT_EQ(session.answerPlaces(1).size(), 1u);
              EXPECT_TRUE(session.answer(1)["result"].is_null());
          } },
        { "a length far over the limit ends the server",
          { { "Content-Length: 1099511627776\r\n\r\n", {} }, request(1, "shutdown") },
          [](const Session& session) {
              expectEndedOn(session, "message of 1099511627776 bytes");
          } },
        { "a chart over the message limit ends the server, and the author is told",
          { open(std::string(5000, 'o')), request(1, "shutdown") },
          [](const Session& session) {
              expectEndedOn(session, "chart is too long.");
              EXPECT_THAT(
                  session.notifications("window/showMessage").at(0)["message"].get<std::string>(),
                  testing::StartsWith("chart is too long."));
              EXPECT_TRUE(session.notifications("textDocument/publishDiagnostics").empty());
          } },
        { "a header without a length ends the server",
          { { "Content-Type: x\r\n\r\n{}", {} }, request(1, "shutdown") },
          [](const Session& session) { expectEndedOn(session, "header without a length"); } },
        { "a header without an end ends the server",
          { { "X-Filler: " + std::string(9000, 'x'), {} }, request(1, "shutdown") },
          [](const Session& session) { expectEndedOn(session, "header without an end"); } },
    };
}

json hoverAt(json line, json character)
{
    return onDocument({ { "position", { { "line", line }, { "character", character } } } });
}

std::vector<ProtocolCase> numberCases()
{
    return {
        { "positions that are no uinteger",
          { open(kChart), request(1, "textDocument/hover", hoverAt(0, 4294967298)),
            request(2, "textDocument/hover", hoverAt(0, 1e20)),
            request(3, "textDocument/hover", hoverAt(0, 2.5)),
            request(4, "textDocument/hover", hoverAt(-1, 0)),
            request(5, "textDocument/codeAction",
                    onDocument({ { "range", range(0, 0, 2147483648, 0) } })) },
          [](const Session& session) {
              for (const int id : { 1, 2, 3, 4, 5 })
                  EXPECT_EQ(errorCode(session.answer(id)), -32602) << id;
          } },
        { "a version out of range: the chart is not opened",
          { raw(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":)"
                R"({"uri":"file:///song.txt","languageId":"beatplate","version":2147483648,)"
                R"("text":"o"}}})") },
          [](const Session& session) {
              EXPECT_TRUE(session.notifications("textDocument/publishDiagnostics").empty());
              EXPECT_THAT(session.logged,
                          testing::ElementsAre(testing::HasSubstr("version must be an integer")));
          } },
        { "a change with a fraction is not made, not even in part",
          { open(kChart),
            notification("textDocument/didChange",
                         { { "textDocument", { { "uri", kUri }, { "version", 2 } } },
                           { "contentChanges",
                             { { { "range", range(0, 7, 0, 11) }, { "text", "Tune" } },
                               { { "range", range(0, 2.5, 0, 3) }, { "text", "x" } } } } }),
            pause(200ms), request(1, "textDocument/hover", hoverAt(0, 1)) },
          [](const Session& session) {
              EXPECT_EQ(session.notifications("textDocument/publishDiagnostics").size(), 1u);
              EXPECT_THAT(session.answer(1)["result"]["contents"]["value"].get<std::string>(),
                          testing::HasSubstr("value as read: `Song`"));
          } },
        { "a position past its line's end stands at the end",
          { open(kChart), change(2, range(0, 1000, 0, 2147483647), "!"), pause(200ms),
            request(1, "textDocument/hover", hoverAt(0, 1)) },
          [](const Session& session) {
              EXPECT_THAT(session.answer(1)["result"]["contents"]["value"].get<std::string>(),
                          testing::HasSubstr("value as read: `Song!`"));
          } },
    };
}

// The messages of one answer to the picture asked for as id: its place, and that it is alone.
std::size_t placeOfOnly(const Session& session, int id)
{
    const auto places = session.answerPlaces(id);
    EXPECT_EQ(places.size(), 1u) << id;
    return places.empty() ? 0 : places.front();
}

std::vector<ProtocolCase> pictureCases()
{
    const std::string chart = "#title Song\no o x o\n";
    const auto picture = [](int id) { return request(id, "beatplate/picture", onDocument()); };
    std::vector<ProtocolCase> cases;
    const auto add = [&](const char* name, const std::function<std::vector<Input>(Gate&)>& inputs,
                         std::function<void(const Session&)> check) {
        auto gate = std::make_shared<Gate>();
        cases.push_back({ name, inputs(*gate), std::move(check), true, gate });
    };
    add(
        "hover is answered while a picture is drawn",
        [&](Gate& gate) {
            return std::vector{ open(chart), picture(1),
                                request(2, "textDocument/hover", hoverAt(1, 2)), openGate(gate),
                                awaitAnswer(1) };
        },
        [](const Session& session) {
            EXPECT_LT(placeOfOnly(session, 2), placeOfOnly(session, 1));
            EXPECT_TRUE(session.answer(1)["result"]["png"].is_string());
        });
    add(
        "a cancelled picture, and the next one drawn",
        [&](Gate& gate) {
            return std::vector{
                open(chart),    picture(1),     notification("$/cancelRequest", { { "id", 1 } }),
                openGate(gate), awaitAnswer(1), picture(2),
                awaitAnswer(2)
            };
        },
        [](const Session& session) {
            EXPECT_EQ(errorCode(session.answer(1)), -32800);
            placeOfOnly(session, 1);
            EXPECT_TRUE(session.answer(2)["result"]["png"].is_string());
        });
    add(
        "a newer picture overtakes the one asked before, in its own columns",
        [&](Gate& gate) {
            return std::vector{ open(std::string(16 * 40, 'o') + "\n"),
                                picture(1),
                                request(2, "beatplate/picture", onDocument({ { "columns", 2 } })),
                                openGate(gate),
                                awaitAnswer(1),
                                awaitAnswer(2) };
        },
        [](const Session& session) {
            EXPECT_EQ(errorCode(session.answer(1)), -32800);
            EXPECT_THAT(session.answer(1)["error"]["message"].get<std::string>(),
                        testing::HasSubstr("a newer picture"));
            EXPECT_GT(pngWidth(session.answer(2)["result"]["png"].get<std::string>()), 816u);
        });
    add(
        "a change overtakes the picture of the version before",
        [&](Gate& gate) {
            return std::vector{ open(chart),    picture(1),     change(2, range(0, 7, 0, 11), "T"),
                                openGate(gate), awaitAnswer(1), picture(2),
                                awaitAnswer(2) };
        },
        [](const Session& session) {
            EXPECT_EQ(errorCode(session.answer(1)), -32800);
            EXPECT_THAT(session.answer(1)["error"]["message"].get<std::string>(),
                        testing::HasSubstr("changed (version 2)"));
            EXPECT_EQ(session.answer(2)["result"]["version"], 2);
        });
    add(
        "shutdown and exit while a picture is drawn",
        [&](Gate& gate) {
            return std::vector{ open(chart), picture(1), openGate(gate), request(2, "shutdown"),
                                notification("exit") };
        },
        [](const Session& session) {
            EXPECT_LT(placeOfOnly(session, 1), placeOfOnly(session, 2));
            EXPECT_EQ(session.status, 0);
        });
    add(
        "the input ends while a picture is drawn",
        [&](Gate& gate) {
            return std::vector{ open(chart), picture(1), openGate(gate) };
        },
        [](const Session& session) {
            placeOfOnly(session, 1);
            EXPECT_EQ(session.status, 1);
        });
    return cases;
}

TEST(LanguageServer, AnswersTheProtocolTable)
{
    using Table = std::vector<ProtocolCase> (*)();
    for (const Table table : { lifecycleCases, malformedCases, framingCases, numberCases,
                               documentCases, featureCases, pictureCases, editingCases }) {
        for (const ProtocolCase& entry : table()) {
            SCOPED_TRACE(entry.name);
            // A check that throws on an answer it did not expect fails its case, not the table.
            try {
                entry.check(serve(entry.inputs, entry.initialize, entry.gate.get()));
            } catch (const json::exception& error) {
                ADD_FAILURE() << error.what();
            }
        }
    }
}

} // namespace
} // namespace beatplate
