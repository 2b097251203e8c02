#include "chart/chart_text_reader.h"
#include "server/chart_directory.h"
#include "server/chart_preview.h"
#include "server/chart_server.h"
#include "support/png_file.h"
#include "support/test_sheet.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <httplib.h>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

namespace beatplate::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Json = nlohmann::json;

// "譜面" in code page 932, then a line end of Windows.
constexpr std::string_view kCp932Chart = "#title \x95\x88\x96\xca\r\noooo\r\n";

// A server on a free loopback port over a fresh directory, answering on a thread of its own.
class RunningServer {
public:
    RunningServer()
        : m_preview(makeTestSheet(), std::nullopt, 2)
    {
        writeFile(m_dir / "song.txt", kCp932Chart);
        writeFile(m_outside / "secret.txt", "oooo\n");
        fs::create_symlink(m_outside / "secret.txt", m_dir / "out.txt");
        fs::create_symlink(m_dir / "song.txt", m_dir / "alias.txt");
        fs::create_symlink(m_dir / "gone", m_dir / "dangling.txt");
        m_directory.emplace(m_dir.path());
        m_server.emplace(*m_directory, m_preview, WebPage::load({}), HostCheck::LoopbackNames);
        m_port = m_server->bind("127.0.0.1", 0);
        m_thread = std::thread([this] { m_server->run(); });
        m_client.emplace("127.0.0.1", m_port);
        // The thread may not have begun to listen yet: the first request waits for it.
        m_client->set_connection_timeout(5s);
        while (!m_client->Get("/api/charts"))
            std::this_thread::sleep_for(10ms);
    }
    ~RunningServer()
    {
        m_server->stop();
        m_thread.join();
    }

    [[nodiscard]] httplib::Client& client() { return *m_client; }
    [[nodiscard]] int port() const { return m_port; }
    [[nodiscard]] const fs::path& dir() const { return m_dir.path(); }
    [[nodiscard]] const fs::path& outside() const { return m_outside.path(); }

private:
    TempDir m_dir;
    TempDir m_outside;
    ChartPreview m_preview;
    std::optional<ChartDirectory> m_directory;
    std::optional<ChartServer> m_server;
    int m_port = -1;
    std::thread m_thread;
    std::optional<httplib::Client> m_client;
};

std::string etagOf(httplib::Client& client, const std::string& name)
{
    const auto response = client.Get("/api/charts/" + name);
    return response ? Json::parse(response->body).at("etag").get<std::string>() : "";
}

TEST(ChartServer, RefusesEveryRequestOutsideItsCharts)
{
    RunningServer server;
    auto& client = server.client();
    const std::string tooLong(kMaxChartBytes + 1, 'o');
    std::string longChart;
    while (longChart.size() <= kMaxChartLength)
        longChart += ";" + std::string(1000, 'o') + "\n"; // comments: no other limit is met
    const std::string etag = etagOf(client, "song.txt");
    const std::string unwritable = "#title \xF0\x9F\x8E\xB5\noooo\n"; // U+1F3B5
    struct Case {
        std::string method;
        std::string path;
        std::string body;
        httplib::Headers headers;
        int status;
    };
    const std::vector<Case> cases = {
        { "GET", "/api/charts/..%2Fsecret.txt", "", {}, 404 },
        { "GET", "/api/charts/%2E%2E", "", {}, 404 },
        { "GET", "/api/charts/song.txt%00.txt", "", {}, 404 },
        { "GET", "/api/charts/out.txt", "", {}, 404 },
        { "GET", "/api/charts/out.txt/picture.png", "", {}, 404 },
        { "GET", "/api/charts/out.txt/report", "", {}, 404 },
        { "GET", "/api/charts/.hidden.txt", "", {}, 404 },
        { "GET", "/api/charts/missing.txt", "", {}, 404 },
        { "PUT", "/api/charts/out.txt", "xxxx\n", { { "If-Match", "*" } }, 404 },
        { "PUT", "/api/charts/dangling.txt", "xxxx\n", { { "If-None-Match", "*" } }, 404 },
        { "PUT", "/api/charts/song.png", "xxxx\n", { { "If-None-Match", "*" } }, 404 },
        { "GET", "/secret.txt", "", {}, 404 },
        { "POST", "/api/render", tooLong, {}, 413 },
        { "POST", "/api/render", longChart, {}, 413 },
        { "PUT", "/api/charts/song.txt", tooLong, { { "If-Match", etag } }, 413 },
        { "PUT", "/api/charts/song.txt", "xxxx\n", {}, 428 },
        { "PUT", "/api/charts/song.txt", "xxxx\n", { { "If-Match", "\"0\"" } }, 412 },
        { "PUT", "/api/charts/song.txt", "xxxx\n", { { "If-None-Match", "*" } }, 412 },
        { "PUT",
          "/api/charts/song.txt",
          "xxxx\n",
          { { "If-Unmodified-Since", "Sun, 06 Nov 1994 08:49:37 GMT" } },
          412 },
        { "PUT", "/api/charts/song.txt", unwritable, { { "If-Match", etag } }, 409 },
        { "PUT", "/api/charts/song.txt", "\xFF\n", { { "If-Match", etag } }, 400 },
        { "GET", "/api/charts", "", { { "Host", "attacker.example:8932" } }, 403 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method + " " + c.path + " " + std::to_string(c.body.size()));
        httplib::Request request;
        request.method = c.method;
        request.path = c.path;
        request.headers = c.headers;
        request.body = c.body;
        const auto response = client.send(request);
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, c.status);
        EXPECT_TRUE(Json::parse(response->body).at("error").is_string()) << response->body;
    }
    // Nothing was written anywhere, and no temporary file stays.
    EXPECT_EQ(readFile(server.dir() / "song.txt"), kCp932Chart);
    EXPECT_EQ(readFile(server.outside() / "secret.txt"), "oooo\n");
    EXPECT_EQ(listDirectory(server.dir()),
              (std::vector<std::string>{ "alias.txt", "dangling.txt", "out.txt", "song.txt" }));
}

TEST(ChartServer, ListsDrawsAndSavesTheChartsOfItsDirectory)
{
    RunningServer server;
    auto& client = server.client();
    const auto list = Json::parse(client.Get("/api/charts")->body);
    ASSERT_EQ(list.size(), 2u); // a link inside counts; one leading out or nowhere does not
    EXPECT_EQ(list[0]["name"], "alias.txt");
    EXPECT_EQ(list[1]["name"], "song.txt");
    EXPECT_EQ(list[1]["size"], kCp932Chart.size());

    const auto text = Json::parse(client.Get("/api/charts/song.txt")->body);
    EXPECT_EQ(text["text"], "#title 譜面\noooo\n");
    EXPECT_EQ(text["encoding"], "code page 932");
    EXPECT_EQ(text["lineEnds"], "CRLF");

    const auto picture = client.Get("/api/charts/song.txt/picture.png");
    ASSERT_EQ(picture->status, 200);
    const std::vector<std::uint8_t> png(picture->body.begin(), picture->body.end());
    EXPECT_EQ(decodePng(png).findChunk("bpLt")->data, sourceChunkOf(u"#title 譜面\noooo\n\n"));

    const auto rendered = Json::parse(client.Post("/api/render", "(oo\n", "text/plain")->body);
    ASSERT_EQ(rendered["diagnostics"].size(), 1u);
    EXPECT_EQ(rendered["diagnostics"][0]["severity"], "warning");
    EXPECT_EQ(rendered["stats"]["measures"], 1);
    EXPECT_TRUE(rendered["png"].is_string());
    const auto failed = Json::parse(client.Post("/api/render", "#bmp\n", "text/plain")->body);
    EXPECT_EQ(failed["diagnostics"][0]["line"], 1);
    EXPECT_EQ(failed["diagnostics"][0]["message"], "unknown command.");
    EXPECT_TRUE(failed["png"].is_null());

    // The save keeps the chart's encoding and line ends; the link is written through.
    const auto saved = client.Put("/api/charts/alias.txt", { { "If-Match", text["etag"] } },
                                  "#title 譜面\nxxxx\n", "text/plain");
    ASSERT_EQ(saved->status, 200) << saved->body;
    EXPECT_EQ(readFile(server.dir() / "song.txt"), "#title \x95\x88\x96\xca\r\nxxxx\r\n");
    EXPECT_TRUE(fs::is_symlink(server.dir() / "alias.txt"));
    // A text code page 932 cannot hold goes in UTF-8 when the request asks for it.
    const auto utf8 = client.Put("/api/charts/song.txt?encoding=utf-8",
                                 { { "If-Match", Json::parse(saved->body)["etag"] } },
                                 "#title \xF0\x9F\x8E\xB5\n", "text/plain");
    ASSERT_EQ(utf8->status, 200) << utf8->body;
    EXPECT_EQ(readFile(server.dir() / "song.txt"), "\xEF\xBB\xBF#title \xF0\x9F\x8E\xB5\r\n");
    const auto created =
        client.Put("/api/charts/new.txt", { { "If-None-Match", "*" } }, "o\n", "text/plain");
    EXPECT_EQ(created->status, 200);
    EXPECT_EQ(readFile(server.dir() / "new.txt"), "o\n");
}

TEST(ChartServer, TellsOfEachChartSavedByAnyone)
{
    RunningServer server;
    httplib::Client events("127.0.0.1", server.port());
    std::string received;
    std::mutex mutex;
    std::condition_variable arrived;
    std::thread listener([&] {
        events.Get("/api/events", [&](const char* data, std::size_t length) {
            const std::lock_guard lock(mutex);
            received.append(data, length);
            arrived.notify_all();
            return received.find("back.txt") == std::string::npos;
        });
    });
    const auto waitFor = [&](std::string_view text, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, timeout,
                                [&] { return received.find(text) != std::string::npos; });
    };
    ASSERT_TRUE(waitFor(": listening", 5s));
    writeFile(server.dir() / "song.txt", "xxxx\n");
    ASSERT_TRUE(waitFor("\"name\":\"song.txt\"", 2s)) << received;
    writeFile(server.dir() / ".other.txt.tmp", "o\n");
    fs::rename(server.dir() / ".other.txt.tmp", server.dir() / "other.txt");
    EXPECT_TRUE(waitFor("event: saved\ndata: {\"etag\":", 2s));
    EXPECT_TRUE(waitFor("other.txt", 2s));
    // Its directory renamed away and made again, saves there are still heard of.
    fs::rename(server.dir(), server.outside() / "moved");
    fs::create_directory(server.dir());
    writeFile(server.dir() / "back.txt", "o\n");
    EXPECT_TRUE(waitFor("\"name\":\"back.txt\"", 2s)) << received;
    // Ends a stream that never told of it, so that a failure is not a hang.
    events.stop();
    listener.join();
    EXPECT_EQ(received.find(".other.txt.tmp"), std::string::npos);
}

} // namespace
} // namespace beatplate::test
