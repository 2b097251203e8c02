// Load on beatplate serve: REQUESTS POST /api/render of one generated chart from CLIENTS
// concurrent clients, every answer checked against the picture the command line draws; prints
// the median, 95th- and 99th-percentile latency (the 95th at most twice the median) and the
// server's peak memory. Then hostile clients: 1,000 connections dripping their request heads a
// byte every 1.5 s, 100 that send nothing and 50 pages listening for events, each opened again
// when the server closes it, while ordinary requests are timed (each must be answered within
// 2 s) and the server's memory is read.
//   serve_load BEATPLATE [MEASURES [REQUESTS [CLIENTS]]]
#include "base/base64.h"
#include "base/text_codec.h"
#include "chart_generator.h"
#include "platform/socket.h"
#include "server/http_text.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <iterator>
#include <mutex>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string readWhole(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

// Starts the program with arguments, its standard error into errorFile; returns its id.
pid_t spawn(const std::vector<std::string>& arguments, const fs::path& errorFile)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int waitForStatus(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The port the server printed in its address; 0 until it has printed it.
int printedPort(const fs::path& errorFile)
{
    const std::string errors = readWhole(errorFile);
    const auto at = errors.find("http://127.0.0.1:");
    return at == std::string::npos ? 0 : std::atoi(errors.c_str() + at + 17);
}

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto index =
        static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

// A figure of a process's memory in kB as the kernel keeps it: "VmHWM" (peak resident) or
// "VmRSS" (resident now).
long memoryOf(pid_t pid, std::string_view field = "VmHWM")
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field) && line[field.size()] == ':')
            return std::atol(line.c_str() + field.size() + 1);
    }
    return -1;
}

// A connection to the server, with bytes sent on it; -1 when it cannot be made.
int openConnection(int port, std::string_view bytes)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (socket < 0
        || ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0
        || (!bytes.empty() && ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0)) {
        if (socket >= 0)
            ::close(socket);
        return -1;
    }
    return socket;
}

// Clients that hold connections as an attacker would: some drip their request heads a byte at
// a time, some send nothing, some listen for events. Each is opened again as soon as the
// server closes it, so that the load stays whole for as long as it is held.
class HostileClients {
public:
    enum class Kind { Dripping, Idle, Listening };

    HostileClients(int port, int dripping, int idle, int listening)
        : m_port(port)
    {
        const auto now = Clock::now();
        for (int index = 0; index < dripping + idle + listening; ++index) {
            const Kind kind = index < dripping ? Kind::Dripping
                : index < dripping + idle      ? Kind::Idle
                                               : Kind::Listening;
            // The drips are spread over their interval, as independent clients' would be.
            const auto offset = kDripInterval * index / std::max(dripping, 1);
            m_clients.push_back({ kind, open(kind), now + offset });
        }
        m_thread = std::thread([this] { hold(); });
    }
    HostileClients(const HostileClients&) = delete;
    HostileClients& operator=(const HostileClients&) = delete;
    ~HostileClients()
    {
        m_stop = true;
        m_thread.join();
        for (const auto& client : m_clients) {
            if (client.socket >= 0)
                ::close(client.socket);
        }
    }

    [[nodiscard]] long held() const { return m_held; }
    [[nodiscard]] long reopened() const { return m_reopened; }

    static constexpr auto kDripInterval = std::chrono::milliseconds(1500);

private:
    struct Client {
        Kind kind;
        int socket;
        Clock::time_point nextDrip;
    };

    [[nodiscard]] int open(Kind kind) const
    {
        switch (kind) {
        case Kind::Dripping:
            return openConnection(m_port, "GET /api/charts HTTP/1.1\r\nX-Drip: ");
        case Kind::Idle:
            return openConnection(m_port, "");
        case Kind::Listening:
            return openConnection(m_port, "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        }
        return -1;
    }

    void hold()
    {
        std::vector<pollfd> polled(m_clients.size());
        std::array<char, 4096> buffer{};
        while (!m_stop) {
            for (std::size_t index = 0; index < m_clients.size(); ++index)
                polled[index] = { m_clients[index].socket, POLLIN, 0 };
            ::poll(polled.data(), polled.size(), 50);
            const auto now = Clock::now();
            long held = 0;
            for (std::size_t index = 0; index < m_clients.size(); ++index) {
                Client& client = m_clients[index];
                // What the server says is read and let go; a close is answered by a new client.
                if ((polled[index].revents != 0 || client.socket < 0)
                    && (client.socket < 0
                        || ::recv(client.socket, buffer.data(), buffer.size(), MSG_DONTWAIT)
                            <= 0)) {
                    if (client.socket >= 0)
                        ::close(client.socket);
                    client.socket = open(client.kind);
                    ++m_reopened;
                }
                if (client.kind == Kind::Dripping && client.socket >= 0 && now >= client.nextDrip) {
                    static_cast<void>(::send(client.socket, "a", 1, MSG_NOSIGNAL));
                    client.nextDrip = now + kDripInterval;
                }
                held += client.socket >= 0 ? 1 : 0;
            }
            m_held = held;
        }
    }

    int m_port;
    std::vector<Client> m_clients;
    std::atomic<bool> m_stop{ false };
    std::atomic<long> m_held{ 0 };
    std::atomic<long> m_reopened{ 0 };
    std::thread m_thread;
};

// Times ordinary requests while hostile clients hold connections; prints the figures and
// returns the slowest answer in ms, or a negative number when a request was not answered.
double timeUnderHostileClients(pid_t server, int port, const std::string& text)
{
    constexpr int kDripping = 1000;
    constexpr int kIdle = 100;
    constexpr int kListeners = 50;
    constexpr int kRequests = 30;
    const HostileClients hostile(port, kDripping, kIdle, kListeners);
    // Long enough for every dripping client to be cut off and come back at least once.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    std::vector<double> lists;
    std::vector<double> renders;
    bool answered = true;
    long resident = 0;
    for (int request = 0; request < kRequests; ++request) {
        // A new connection for each, as a page opened anew would make.
        httplib::Client http("127.0.0.1", port);
        http.set_read_timeout(std::chrono::seconds(30));
        auto begin = Clock::now();
        const auto list = http.Get("/api/charts");
        lists.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
        begin = Clock::now();
        const auto render = http.Post("/api/render", text, "text/plain; charset=utf-8");
        renders.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
        answered = answered && list && list->status == 200 && render && render->status == 200;
        resident = std::max(resident, memoryOf(server, "VmRSS"));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    const double slowest = std::max(percentile(lists, 1.0), percentile(renders, 1.0));
    std::printf("hostile clients   %d dripping a byte every %.1f s, %d idle, %d listening; %ld "
                "held at the end, %ld opened again after the server closed them\n",
                kDripping, std::chrono::duration<double>(HostileClients::kDripInterval).count(),
                kIdle, kListeners, hostile.held(), hostile.reopened());
    std::printf("GET /api/charts   median %.1f ms, most %.1f ms (%d requests, new connections)\n",
                percentile(lists, 0.5), percentile(lists, 1.0), kRequests);
    std::printf("POST /api/render  median %.1f ms, most %.1f ms\n", percentile(renders, 0.5),
                percentile(renders, 1.0));
    std::printf("answered in 2 s   %s\n", answered && slowest <= 2000.0 ? "yes" : "NO");
    std::printf("server RSS        %.1f MiB at most while held\n",
                static_cast<double>(resident) / 1024.0);
    return answered ? slowest : -1.0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: serve_load BEATPLATE [MEASURES [REQUESTS [CLIENTS]]]\n");
        return 2;
    }
    const std::string binary = fs::absolute(argv[1]).string();
    // Over a thousand connections at once, beside the server's own.
    static_cast<void>(beatplate::raiseOpenFileLimit());
    const int measures = argc > 2 ? std::atoi(argv[2]) : 150;
    const int requests = argc > 3 ? std::atoi(argv[3]) : 200;
    const int clients = argc > 4 ? std::atoi(argv[4]) : 8;
    const fs::path work =
        fs::temp_directory_path() / ("beatplate-serve-load-" + std::to_string(::getpid()));
    fs::create_directories(work / "charts");

    // The reference: the picture the command line draws of the same chart.
    const std::string chart = beatplate::generateChart(measures);
    std::ofstream(work / "chart.txt", std::ios::binary) << chart;
    const pid_t drawer = spawn({ binary, (work / "chart.txt").string() }, work / "draw.log");
    if (drawer < 0 || waitForStatus(drawer) != 0) {
        std::fprintf(stderr, "serve_load: beatplate cannot draw the chart\n");
        return 1;
    }
    const std::string reference = readWhole(work / "chart.png");
    const auto text = beatplate::encodeUtf8(beatplate::decodeCp932(chart).value()).value();
    const auto expected = beatplate::encodeBase64(
        std::span(reinterpret_cast<const std::uint8_t*>(reference.data()), reference.size()));

    const pid_t server =
        spawn({ binary, "serve", "--port=0", (work / "charts").string() }, work / "serve.log");
    int port = 0;
    for (int wait = 0; port == 0 && wait < 500; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        port = printedPort(work / "serve.log");
    }
    if (port == 0) {
        std::fprintf(stderr, "serve_load: the server printed no address\n");
        return 1;
    }
    std::vector<double> latencies;
    std::mutex mutex;
    std::atomic<int> next{ 0 };
    std::atomic<int> wrong{ 0 };
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int client = 0; client < clients; ++client) {
        threads.emplace_back([&] {
            httplib::Client http("127.0.0.1", port);
            http.set_read_timeout(std::chrono::seconds(60));
            while (next++ < requests) {
                const auto begin = Clock::now();
                const auto response = http.Post("/api/render", text, "text/plain; charset=utf-8");
                const std::chrono::duration<double, std::milli> took = Clock::now() - begin;
                const bool right = response && response->status == 200
                    && nlohmann::json::parse(response->body).value("png", "") == expected;
                const std::lock_guard lock(mutex);
                latencies.push_back(took.count());
                wrong += right ? 0 : 1;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    const std::chrono::duration<double> wall = Clock::now() - start;
    const long peak = memoryOf(server);
    std::printf("chart             %d measures, %zu bytes of UTF-8, picture %zu bytes\n", measures,
                text.size(), reference.size());
    std::printf("requests          %d from %d clients in %.2f s (%.1f/s)\n", requests, clients,
                wall.count(), requests / wall.count());
    std::printf("correct answers   %d of %d\n", requests - wrong.load(), requests);
    const double median = percentile(latencies, 0.5);
    const double p95 = percentile(latencies, 0.95);
    std::printf("latency           median %.1f ms, 95th percentile %.1f ms, 99th %.1f ms, most "
                "%.1f ms\n",
                median, p95, percentile(latencies, 0.99), percentile(latencies, 1.0));
    // Drawings are served in turn, so that no request waits much longer than the others.
    const bool inTurn = p95 <= 2.0 * median;
    std::printf("served in turn    %s (95th percentile %.2f times the median)\n",
                inTurn ? "yes" : "NO", p95 / median);
    std::printf("server peak RSS   %.1f MiB\n", static_cast<double>(peak) / 1024.0);
    // The hostile clients draw a short chart, so that the time measured is the wait.
    const double slowest = timeUnderHostileClients(
        server, port,
        beatplate::encodeUtf8(beatplate::decodeCp932(beatplate::generateChart(8)).value()).value());
    ::kill(server, SIGTERM);
    const int status = waitForStatus(server);
    fs::remove_all(work);

    std::printf("server exit       %d\n", status);
    const bool prompt = slowest >= 0.0 && slowest <= 2000.0;
    return wrong == 0 && status == 0 && prompt && inTurn ? 0 : 1;
}
