#include "base/chart_limits.h"
#include "chart/chart_text_reader.h"
#include "server/chart_directory.h"
#include "server/chart_preview.h"
#include "server/chart_server.h"
#include "support/png_file.h"
#include "support/test_sheet.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <httplib.h>
#include <mutex>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <set>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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
    explicit RunningServer(const ConnectionLimits& limits = {})
        : m_preview(makeTestSheet(), std::nullopt, 2)
    {
        writeFile(m_dir / "song.txt", kCp932Chart);
        writeFile(m_outside / "secret.txt", "oooo\n");
        fs::create_symlink(m_outside / "secret.txt", m_dir / "out.txt");
        fs::create_symlink(m_dir / "song.txt", m_dir / "alias.txt");
        fs::create_symlink(m_dir / "gone", m_dir / "dangling.txt");
        m_directory.emplace(m_dir.path());
        m_server.emplace(*m_directory, m_preview, WebPage::load({}), HostCheck::LoopbackNames,
                         limits);
        m_port = m_server->bind("127.0.0.1", 0);
        m_thread = std::thread([this] { m_server->run(); });
        m_client.emplace("127.0.0.1", m_port);
        // The thread may not have begun to listen yet: the first request waits for it. An answer
        // may be slow to come on a busy machine, but it comes.
        m_client->set_connection_timeout(5s);
        m_client->set_read_timeout(test::kPatience);
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
    [[nodiscard]] ChartPreview& preview() { return m_preview; }

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
        { "POST", "/api/render", longChart, {}, 413 },
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
        { "PUT", "/api/charts/song.txt", "xxxx\n", { { "If-Match", "W/" + etag } }, 412 },
        { "PUT",
          "/api/charts/song.txt",
          "a\x1A"
          "b\n",
          { { "If-Match", etag } },
          422 },
        { "PUT", "/api/charts/song.txt", "a\rb\n", { { "If-Match", etag } }, 422 },
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
    EXPECT_EQ(decodePng(png).findChunk(kChartChunkName)->data,
              sourceChunkOf(u"#title 譜面\noooo\n\n"));

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

// The page's "changes since saved": the text sent, marked where it differs from the file on disk.
TEST(ChartServer, MarksWhatDiffersFromTheChartOnDisk)
{
    RunningServer server;
    auto& client = server.client();
    const auto render = [&](const std::string& query, const std::string& text) {
        return Json::parse(client.Post("/api/render" + query, text, "text/plain")->body);
    };
    const std::string edited = "#title 譜面\noooo\nxxxx\n";
    const auto marked = render("?since=song.txt", edited);
    EXPECT_EQ(marked["changes"]["same"], false);
    EXPECT_EQ(marked["changes"]["added"], Json({ 2 }));
    EXPECT_EQ(marked["changes"]["changed"], Json::array());
    const auto plain = render("", edited);
    EXPECT_FALSE(plain.contains("changes"));
    EXPECT_NE(marked["png"], plain["png"]);
    EXPECT_EQ(render("?since=song.txt", "; a comment\n#title 譜面\n\noooo\n")["changes"]["same"],
              true);
    // A chart with nothing saved under its name yet has nothing to differ from.
    EXPECT_FALSE(render("?since=new.txt", edited).contains("changes"));
}

TEST(ChartServer, TellsOfEachChartSavedByAnyone)
{
    RunningServer server;
    httplib::Client events("127.0.0.1", server.port());
    events.set_read_timeout(test::kPatience);
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
    ASSERT_TRUE(waitFor(": listening", test::kPatience));
    writeFile(server.dir() / "song.txt", "xxxx\n");
    ASSERT_TRUE(waitFor("\"name\":\"song.txt\"", test::kPatience)) << received;
    writeFile(server.dir() / ".other.txt.tmp", "o\n");
    fs::rename(server.dir() / ".other.txt.tmp", server.dir() / "other.txt");
    EXPECT_TRUE(waitFor("event: saved\ndata: {\"etag\":", test::kPatience));
    EXPECT_TRUE(waitFor("other.txt", test::kPatience));
    // Its directory renamed away and made again, saves there are still heard of.
    fs::rename(server.dir(), server.outside() / "moved");
    fs::create_directory(server.dir());
    writeFile(server.dir() / "back.txt", "o\n");
    EXPECT_TRUE(waitFor("\"name\":\"back.txt\"", test::kPatience)) << received;
    // Ends a stream that never told of it, so that a failure is not a hang.
    events.stop();
    listener.join();
    EXPECT_EQ(received.find(".other.txt.tmp"), std::string::npos);
}

// A connection to the server on which the test writes what httplib's client would not.
FileDescriptor connectRaw(int port, std::string_view bytes = "")
{
    FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        ADD_FAILURE() << "cannot connect: " << std::strerror(errno);
    if (!bytes.empty() && ::send(socket.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0)
        ADD_FAILURE() << "cannot send: " << std::strerror(errno);
    return socket;
}

// What the server sent on a connection within timeout, up to the text looked for.
std::string receiveUntil(int socket, std::string_view text, std::chrono::milliseconds timeout)
{
    const timeval wait{ 0, 100'000 };
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait));
    std::string received;
    const auto end = std::chrono::steady_clock::now() + timeout;
    std::array<char, 4096> buffer{};
    while (received.find(text) == std::string::npos && std::chrono::steady_clock::now() < end) {
        const ssize_t got = ::recv(socket, buffer.data(), buffer.size(), 0);
        if (got == 0)
            break;
        if (got > 0)
            received.append(buffer.data(), static_cast<std::size_t>(got));
    }
    return received;
}

// True when the server closes the connection within timeout; what it sent before goes to
// received.
bool closedWithin(int socket, std::chrono::milliseconds timeout, std::string* received = nullptr)
{
    pollfd wait{ socket, POLLIN, 0 };
    const auto end = std::chrono::steady_clock::now() + timeout;
    std::array<char, 4096> buffer{};
    for (auto now = std::chrono::steady_clock::now(); now < end;
         now = std::chrono::steady_clock::now()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now);
        if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0)
            continue;
        const ssize_t got = ::recv(socket, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (got <= 0)
            return got == 0 || errno != EAGAIN;
        if (received != nullptr)
            received->append(buffer.data(), static_cast<std::size_t>(got));
    }
    return false;
}

// True while the server keeps the connection open and has sent nothing on it.
bool stillOpen(int socket)
{
    char byte = 0;
    return ::recv(socket, &byte, 1, MSG_DONTWAIT | MSG_PEEK) < 0 && errno == EAGAIN;
}

TEST(ChartServer, ClosesAClientWhoseRequestIsNotInWholeByItsDeadline)
{
    ConnectionLimits limits;
    limits.requestTime = 300ms;
    RunningServer server(limits);
    // Each byte comes long before any one read would give up, the whole request never in time.
    const struct {
        std::string sentAtOnce;
        std::string dripped;
    } cases[] = {
        { "", "GET /api/charts HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" },
        { "POST /api/render HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100\r\n\r\n",
          std::string(100, 'o') },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentAtOnce + c.dripped);
        const auto socket = connectRaw(server.port(), c.sentAtOnce);
        std::string received;
        bool closed = false;
        for (std::size_t sent = 0; !closed && sent < c.dripped.size(); ++sent) {
            ASSERT_EQ(::send(socket.get(), &c.dripped[sent], 1, MSG_NOSIGNAL), 1);
            closed = closedWithin(socket.get(), 50ms, &received);
        }
        EXPECT_TRUE(closed || closedWithin(socket.get(), 5s, &received)) << received;
        EXPECT_TRUE(received.starts_with("HTTP/1.1 4")) << received;
    }
}

TEST(ChartServer, AnswersBesideSlowClientsAndDropsTheOldestWhenFull)
{
    const std::string head = "GET /api/charts HTTP/1.1\r\nHo";
    const std::string body =
        "POST /api/render HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 100\r\n\r\no";
    const struct {
        std::string what;
        std::string sent;
        std::size_t clients;
        std::size_t maxConnections;
        std::size_t maxThreads;
        bool oldestDropped;
        bool newestKept;
    } cases[] = {
        // More than there were threads once, each holding only its connection.
        { "heads", head, 300, 2048, 128, false, true },
        { "heads past the connections", head, 40, 32, 128, true, true },
        // Each body that does not come holds the one thread until a newer request needs it.
        { "bodies past the threads", body, 3, 2048, 1, true, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ConnectionLimits limits;
        limits.requestTime = 10min; // no client is closed for its time here
        limits.maxConnections = c.maxConnections;
        limits.maxThreads = c.maxThreads;
        RunningServer server(limits);
        std::vector<FileDescriptor> slow;
        for (std::size_t client = 0; client < c.clients; ++client)
            slow.push_back(connectRaw(server.port(), c.sent));
        httplib::Client client("127.0.0.1", server.port());
        const auto list = client.Get("/api/charts");
        ASSERT_TRUE(list);
        EXPECT_EQ(list->status, 200);
        EXPECT_TRUE(!c.newestKept || stillOpen(slow.back().get()));
        if (c.oldestDropped) {
            EXPECT_TRUE(closedWithin(slow.front().get(), 10s));
        } else {
            EXPECT_TRUE(std::all_of(slow.begin(), slow.end(), [](const FileDescriptor& socket) {
                return stillOpen(socket.get());
            }));
        }
    }
}

TEST(ChartServer, AnswersWithinTwoSecondsWhateverOtherClientsHold)
{
    RunningServer server;
    std::vector<FileDescriptor> held;
    for (int idle = 0; idle < 100; ++idle)
        held.push_back(connectRaw(server.port()));
    // Headers dripped a byte at a time never end a request.
    held.push_back(connectRaw(server.port(), "GET /api/charts HTTP/1.1\r\nHo"));
    const std::string listen = "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    std::vector<FileDescriptor> listeners;
    for (std::size_t count = 0; count < kMaxEventListeners; ++count) {
        listeners.push_back(connectRaw(server.port(), listen));
        ASSERT_NE(receiveUntil(listeners.back().get(), ": listening", test::kPatience)
                      .find(": listening"),
                  std::string::npos);
    }
    const auto refused = connectRaw(server.port(), listen);
    EXPECT_NE(receiveUntil(refused.get(), "503", test::kPatience).find("HTTP/1.1 503"),
              std::string::npos);

    const auto start = std::chrono::steady_clock::now();
    httplib::Client client("127.0.0.1", server.port());
    const auto list = client.Get("/api/charts");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->status, 200);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    // A body declared too long is refused from its headers, before any of it comes.
    const std::string tooLong = std::to_string(kMaxChartBytes + 1);
    for (const std::string head : { "POST /api/render", "PUT /api/charts/song.txt" }) {
        const auto declared = connectRaw(server.port(),
                                         head
                                             + " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                               "If-Match: *\r\nContent-Length: "
                                             + tooLong + "\r\n\r\n");
        EXPECT_NE(receiveUntil(declared.get(), "too long", test::kPatience).find("HTTP/1.1 413"),
                  std::string::npos)
            << head;
    }
    // The slot of a page that has gone is free again within a heartbeat or two.
    listeners.clear();
    bool listening = false;
    for (int attempt = 0; attempt < 30 && !listening; ++attempt) {
        std::this_thread::sleep_for(100ms);
        const auto again = connectRaw(server.port(), listen);
        listening = receiveUntil(again.get(), "\r\n\r\n", 2s).starts_with("HTTP/1.1 200");
    }
    EXPECT_TRUE(listening);
    EXPECT_EQ(readFile(server.dir() / "song.txt"), kCp932Chart);
}

TEST(ChartServer, RefusesRequestsOfOtherPagesAndOtherHostNames)
{
    RunningServer server;
    auto& client = server.client();
    const std::string own = "http://127.0.0.1:" + std::to_string(server.port());
    const std::string etag = etagOf(client, "song.txt");
    struct Case {
        std::string method;
        std::string path;
        std::string origin;
        int status;
    };
    const std::vector<Case> cases = {
        { "GET", "/api/charts", "http://attacker.example", 403 },
        { "GET", "/api/events", "http://attacker.example", 403 },
        { "POST", "/api/render", "null", 403 },
        { "PUT", "/api/charts/song.txt", "http://localhost:" + std::to_string(server.port()), 403 },
        { "POST", "/api/render", own, 200 },
        { "GET", "/api/charts", own, 200 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method + " " + c.path + " from " + c.origin);
        httplib::Request request;
        request.method = c.method;
        request.path = c.path;
        request.headers = { { "Origin", c.origin }, { "If-Match", etag } };
        request.body = "xxxx\n";
        const auto response = client.send(request);
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, c.status) << response->body;
    }
    EXPECT_EQ(readFile(server.dir() / "song.txt"), kCp932Chart);
    EXPECT_EQ(hostCheckFor("127.0.0.1"), HostCheck::LoopbackNames);
    EXPECT_EQ(hostCheckFor("127.1.2.3"), HostCheck::LoopbackNames);
    EXPECT_EQ(hostCheckFor("::1"), HostCheck::LoopbackNames);
    EXPECT_EQ(hostCheckFor("::ffff:127.0.0.1"), HostCheck::LoopbackNames);
    EXPECT_EQ(hostCheckFor("0.0.0.0"), HostCheck::Any);
    EXPECT_EQ(hostCheckFor("::"), HostCheck::Any);
    EXPECT_EQ(hostCheckFor("192.168.1.5"), HostCheck::Any);
}

TEST(ChartServer, DoesNothingAnotherSiteAsksAndDrawsNoMoreThanAPreviewMay)
{
    RunningServer server;
    auto& client = server.client();
    const struct {
        std::string method;
        std::string path;
        std::string site; // Sec-Fetch-Site
        int status;
    } cases[] = {
        { "GET", "/api/charts/song.txt/picture.png", "cross-site", 403 },
        { "GET", "/api/charts/missing.txt/picture.png", "cross-site", 403 },
        { "GET", "/api/charts", "same-site", 403 },
        { "POST", "/api/render", "cross-site", 403 },
        { "GET", "/", "cross-site", 403 },
        { "GET", "/api/charts/song.txt/picture.png", "same-origin", 200 },
        { "GET", "/api/charts/song.txt", "none", 200 },
        { "POST", "/api/render", "same-origin", 200 },
    };
    std::set<std::string> refusals;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method + " " + c.path + " from " + c.site);
        httplib::Request request;
        request.method = c.method;
        request.path = c.path;
        request.headers = { { "Sec-Fetch-Site", c.site } };
        request.body = "oooo\n";
        const auto response = client.send(request);
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, c.status);
        if (c.status == 403)
            refusals.insert(response->body);
    }
    // A refusal says nothing of what is there.
    EXPECT_EQ(refusals.size(), 1u);

    // A request hidden in the body of one refused is never read as one, wherever the reads of
    // the connection happen to end.
    const std::string hidden = "PUT /api/charts/song.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                               "If-Match: *\r\nContent-Length: 5\r\n\r\nxxxx\n";
    const std::string head = "POST /api/render HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                             "Origin: http://attacker.example\r\nContent-Length: 9999\r\n\r\n";
    const std::string padding(4096 - head.size(), ';');
    const std::string filler(9999 - padding.size() - hidden.size(), ';');
    const auto smuggler = connectRaw(server.port(), head + padding + hidden + filler);
    std::string received;
    EXPECT_TRUE(closedWithin(smuggler.get(), 10s, &received));
    EXPECT_TRUE(received.starts_with("HTTP/1.1 403")) << received;
    EXPECT_EQ(received.find("HTTP/1.1", 1), std::string::npos) << received;
    EXPECT_EQ(readFile(server.dir() / "song.txt"), kCp932Chart);

    // A chart longer than a preview draws gets its figures and why it has no picture.
    std::string measures;
    for (std::size_t measure = 0; measure <= kMaxPreviewMeasures; ++measure)
        measures += "o               \n";
    writeFile(server.dir() / "long.txt", measures);
    const auto picture = client.Get("/api/charts/long.txt/picture.png");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->status, 413);
    const auto rendered = client.Post("/api/render", measures, "text/plain");
    ASSERT_TRUE(rendered);
    EXPECT_EQ(rendered->status, 413);
    const auto body = Json::parse(rendered->body);
    EXPECT_EQ(body["stats"]["measures"], kMaxPreviewMeasures + 1);
    EXPECT_TRUE(body["png"].is_null());
    EXPECT_EQ(body["error"], Json::parse(picture->body)["error"]);
    EXPECT_NE(body["error"].get<std::string>().find("2001 measures"), std::string::npos) << body;
}

TEST(ChartServer, DrawsPicturesInTheOrderTheyWereAskedFor)
{
    RunningServer server;
    // The test takes both drawing slots of the server's preview, and the requests line up.
    constexpr std::size_t kSlots = 2;
    constexpr std::size_t kRequests = 4;
    FifoSemaphore& drawings = server.preview().drawings();
    for (std::size_t slot = 0; slot < kSlots; ++slot)
        drawings.acquire();
    std::atomic<std::size_t> drawn{ 0 };
    std::vector<std::thread> clients;
    for (std::size_t request = 0; request < kRequests; ++request) {
        clients.emplace_back([&server, &drawn] {
            httplib::Client client("127.0.0.1", server.port());
            const auto picture = client.Get("/api/charts/song.txt/picture.png");
            drawn += picture && picture->status == 200 ? 1 : 0;
        });
        while (drawings.waiting() < request + 1)
            std::this_thread::yield();
    }
    // Asking again the moment the slots come free, as a newcomer would, goes behind them all.
    for (std::size_t slot = 0; slot < kSlots; ++slot)
        drawings.release();
    for (std::size_t slot = 0; slot < kSlots; ++slot)
        drawings.acquire();
    const std::size_t passedOver = drawings.waiting();
    for (std::size_t slot = 0; slot < kSlots; ++slot)
        drawings.release();
    for (auto& client : clients)
        client.join();
    EXPECT_EQ(passedOver, 0u);
    EXPECT_EQ(drawn, kRequests);
}

// Sets a file's modification time to a whole second plus nanoseconds.
void setModified(const fs::path& path, std::time_t seconds, long nanoseconds)
{
    const std::array<timespec, 2> times{ timespec{ seconds, nanoseconds },
                                         timespec{ seconds, nanoseconds } };
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times.data(), 0), 0);
}

TEST(ChartServer, NeverSavesOverAChangeItCannotSee)
{
    RunningServer server;
    auto& client = server.client();
    const auto song = server.dir() / "song.txt";
    const auto put = [&](const httplib::Headers& headers) {
        return client.Put("/api/charts/song.txt", headers, "oooo\n", "text/plain")->status;
    };
    setModified(song, 1'700'000'000, 0);
    const auto loaded = client.Get("/api/charts/song.txt");
    const std::string date = loaded->get_header_value("Last-Modified");
    // Another editor saves within the same second as the version loaded.
    writeFile(song, "xxxx\n");
    setModified(song, 1'700'000'000, 500'000'000);
    EXPECT_EQ(put({ { "If-Unmodified-Since", date } }), 412);
    // A date after the last change still lets a save through.
    EXPECT_EQ(put({ { "If-Unmodified-Since", "Wed, 15 Nov 2023 00:00:00 GMT" } }), 200);
    EXPECT_EQ(put({ { "If-Unmodified-Since", "Wed, 15 Nov 2023 00:00:00 GMT" } }), 412);
    const std::string etag = etagOf(client, "song.txt");
    EXPECT_EQ(put({ { "If-None-Match", etag } }), 412);
    EXPECT_EQ(put({ { "If-Match", "\"0\", " + etag } }), 200);
    const auto exists =
        client.Put("/api/charts/song.txt", { { "If-None-Match", "*" } }, "o\n", "text/plain");
    EXPECT_EQ(Json::parse(exists->body)["error"], "a chart of this name exists already");
    EXPECT_EQ(readFile(song), "oooo\n");
}

TEST(ChartServer, KeepsEveryCharacterOfAChartItSaves)
{
    RunningServer server;
    auto& client = server.client();
    const std::string etag = etagOf(client, "song.txt");
    const auto refused = client.Put("/api/charts/song.txt", { { "If-Match", etag } },
                                    "oooo\n#title a\x1A"
                                    "b\n",
                                    "text/plain");
    ASSERT_EQ(refused->status, 422);
    const auto refusal = Json::parse(refused->body);
    EXPECT_EQ(refusal["line"], 2);
    EXPECT_EQ(refusal["column"], 9);
    EXPECT_NE(refusal["error"].get<std::string>().find("U+001A"), std::string::npos);
    EXPECT_EQ(readFile(server.dir() / "song.txt"), kCp932Chart);

    // A chart on disk whose text goes on after a 0x1A is shown read-only and never saved.
    writeFile(server.dir() / "cut.txt", "oooo\nox\x1Axxxx\n");
    const auto cut = Json::parse(client.Get("/api/charts/cut.txt")->body);
    EXPECT_EQ(cut["text"], "oooo\nox");
    EXPECT_NE(cut["readOnly"].get<std::string>().find("line 2, column 3"), std::string::npos)
        << cut["readOnly"];
    const auto overwrite = client.Put("/api/charts/cut.txt", { { "If-Match", cut["etag"] } },
                                      "oooo\nox", "text/plain");
    EXPECT_EQ(overwrite->status, 422);
    EXPECT_EQ(readFile(server.dir() / "cut.txt"), "oooo\nox\x1Axxxx\n");
    writeFile(server.dir() / "dos.txt", "oooo\n\x1A");
    EXPECT_TRUE(Json::parse(client.Get("/api/charts/dos.txt")->body)["readOnly"].is_null());
}

TEST(ChartServer, KeepsTheOwnerModeAndLinksOfTheChartsItSaves)
{
    RunningServer server;
    auto& client = server.client();
    const auto song = server.dir() / "song.txt";
    const auto save = [&](const std::string& name) {
        return client.Put("/api/charts/" + name, { { "If-Match", "*" } }, "xxxx\n", "text/plain");
    };
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(song.c_str(), 4321, 4322), 0);
        ASSERT_EQ(::chmod(song.c_str(), 0640), 0);
        ASSERT_EQ(save("song.txt")->status, 200);
        struct stat status { };
        ASSERT_EQ(::stat(song.c_str(), &status), 0);
        EXPECT_EQ(status.st_uid, 4321u);
        EXPECT_EQ(status.st_gid, 4322u);
        EXPECT_EQ(status.st_mode & 07777, 0640u);
        ASSERT_EQ(::chown(song.c_str(), ::geteuid(), ::getegid()), 0);
    }
    ASSERT_EQ(::chmod(song.c_str(), 0444), 0);
    const auto readOnly = save("song.txt");
    EXPECT_EQ(readOnly->status, 403);
    EXPECT_EQ(Json::parse(readOnly->body)["error"], "the chart is read-only");
    ASSERT_EQ(::chmod(song.c_str(), 0644), 0);
    fs::create_hard_link(song, server.dir() / "linked.txt");
    EXPECT_EQ(save("linked.txt")->status, 403);
    EXPECT_EQ(fs::hard_link_count(song), 2u);
    fs::remove(server.dir() / "linked.txt");

    // A name that is not UTF-8 is listed with its bytes escaped, and reached by that name.
    // So is one that holds an escape of its own, so that the two are never taken for each other.
    writeFile(server.dir() / "caf\xE9\\.txt", "oooo\n");
    writeFile(server.dir() / "caf\\xE9\\.txt", "xxxx\n");
    const auto list = Json::parse(client.Get("/api/charts")->body);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[1]["name"], "caf\\x5CxE9\\x5C.txt");
    EXPECT_EQ(list[2]["name"], "caf\\xE9\\x5C.txt");
    const auto escaped = client.Get("/api/charts/caf%5CxE9%5Cx5C.txt");
    ASSERT_EQ(escaped->status, 200);
    EXPECT_EQ(Json::parse(escaped->body)["text"], "oooo\n");
    const auto literal = client.Get("/api/charts/caf%5Cx5CxE9%5Cx5C.txt");
    ASSERT_EQ(literal->status, 200);
    EXPECT_EQ(Json::parse(literal->body)["text"], "xxxx\n");
}

TEST(ChartServer, SaysBeforeASaveWhyItWouldBeRefused)
{
    RunningServer server;
    auto& client = server.client();
    const fs::path dir = server.dir();
    writeFile(dir / "locked.txt", "oooo\n");
    ASSERT_EQ(::chmod((dir / "locked.txt").c_str(), 0444), 0);
    writeFile(dir / "linked.txt", "oooo\n");
    fs::create_hard_link(dir / "linked.txt", server.outside() / "another-name.txt");
    // A link leads to a chart in a folder that may not be written (root may write any).
    fs::create_directory(dir / "shut");
    writeFile(dir / "shut" / "shut.txt", "oooo\n");
    fs::create_symlink(dir / "shut" / "shut.txt", dir / "shut.txt");
    ASSERT_EQ(::chmod((dir / "shut").c_str(), 0555), 0);
    // And one to a chart on a file system mounted read-only, where one can be mounted.
    fs::create_directory(dir / "disc");
    const bool mounted = ::mount("tmpfs", (dir / "disc").c_str(), "tmpfs", 0, "size=64k") == 0;
    if (mounted) {
        writeFile(dir / "disc" / "disc.txt", "oooo\n");
        fs::create_symlink(dir / "disc" / "disc.txt", dir / "disc.txt");
        ASSERT_EQ(
            ::mount(nullptr, (dir / "disc").c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    }
    const struct {
        std::string name;
        std::string reason;
        bool applies;
    } cases[] = {
        { "locked.txt", "the chart is read-only", true },
        { "linked.txt", "the chart has 2 hard links, which saving would break", true },
        { "shut.txt", "the chart's folder may not be written, and saving makes a new file there",
          ::geteuid() != 0 },
        { "disc.txt", "the chart is on a file system mounted read-only", mounted },
    };
    for (const auto& c : cases) {
        if (!c.applies)
            continue;
        SCOPED_TRACE(c.name);
        const auto loaded = Json::parse(client.Get("/api/charts/" + c.name)->body);
        EXPECT_EQ(loaded["readOnly"], c.reason);
        const auto saved = client.Put("/api/charts/" + c.name, { { "If-Match", loaded["etag"] } },
                                      "xxxx\n", "text/plain");
        EXPECT_EQ(saved->status, 403);
        EXPECT_EQ(Json::parse(saved->body)["error"], c.reason);
    }
    if (mounted)
        ::umount((dir / "disc").c_str());
    ::chmod((dir / "shut").c_str(), 0755);
    EXPECT_EQ(readFile(dir / "locked.txt"), "oooo\n");
    EXPECT_EQ(readFile(dir / "linked.txt"), "oooo\n");
    EXPECT_EQ(readFile(dir / "shut" / "shut.txt"), "oooo\n");
}

TEST(ChartServer, SaysWhenTheDiskIsFull)
{
    RunningServer server;
    const auto full = server.dir() / "full";
    fs::create_directory(full);
    if (::mount("tmpfs", full.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "no small file system can be mounted here: " << std::strerror(errno);
    writeFile(full / "song.txt", "oooo\n");
    // A link inside the directory leads to the chart on the small file system.
    fs::create_symlink(full / "song.txt", server.dir() / "full.txt");
    const auto saved = server.client().Put("/api/charts/full.txt", { { "If-Match", "*" } },
                                           std::string(64 * 1024, 'o'), "text/plain");
    const std::string kept = readFile(full / "song.txt");
    ::umount(full.c_str());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->status, 507);
    EXPECT_TRUE(Json::parse(saved->body)["error"].get<std::string>().starts_with(
        "the disk is full: the chart was not saved"))
        << saved->body;
    EXPECT_EQ(kept, "oooo\n");
}

} // namespace
} // namespace beatplate::test
