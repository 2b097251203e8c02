#include "support/program_sandbox.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <httplib.h>
#include <regex>

namespace beatplate::test {
namespace {

using namespace std::chrono_literals;

// The port of the URL the server printed; -1 when it printed none.
int printedPort(const std::string& errors, const std::string& address)
{
    std::smatch match;
    const std::regex url("serving the charts at http://" + address + ":([0-9]+)/");
    return std::regex_search(errors, match, url) ? std::stoi(match[1]) : -1;
}

// The local addresses of the sockets listening on port, as /proc/net/tcp writes them
// (hexadecimal, the address in the host's byte order).
std::vector<std::string> listeningAddresses(int port)
{
    std::vector<std::string> addresses;
    for (const char* table : { "/proc/net/tcp", "/proc/net/tcp6" }) {
        std::ifstream file(table);
        std::string line;
        std::getline(file, line);
        while (std::getline(file, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            const auto colon = local.rfind(':');
            if (state == "0A" && std::stoi(local.substr(colon + 1), nullptr, 16) == port)
                addresses.push_back(local.substr(0, colon));
        }
    }
    return addresses;
}

TEST(BeatplateServe, ListensOnTheLoopbackAloneAndEndsCleanlyOnASignal)
{
    for (const int signalNumber : { SIGINT, SIGTERM }) {
        SCOPED_TRACE(strsignal(signalNumber));
        const ProgramSandbox sandbox;
        sandbox.writeChart("charts/song.txt", "oooo\n");
        ChildProcess child(sandbox.binary(), { "serve", "--port", "0", "charts" },
                           sandbox.directory(), StandardInput::Closed);
        const auto errors = child.readErrorsUntil("/ (", kPatience);
        const int port = printedPort(errors, "127\\.0\\.0\\.1");
        ASSERT_GT(port, 0) << errors;
        EXPECT_EQ(listeningAddresses(port), std::vector<std::string>{ "0100007F" });
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(kPatience);
        const auto page = client.Get("/");
        ASSERT_TRUE(page);
        EXPECT_NE(page->body.find("<textarea id=\"editor\""), std::string::npos);
        EXPECT_EQ(client.Get("/api/charts/song.txt/picture.png")->status, 200);

        ::kill(child.pid(), signalNumber);
        const auto result = child.finish();
        EXPECT_EQ(result.status, 0) << result.errors;
        EXPECT_EQ(listDirectory(sandbox / "charts"), std::vector<std::string>{ "song.txt" });
    }
}

TEST(BeatplateServe, WarnsWhenAnotherAddressIsGivenAndRefusesWhatItCannotServe)
{
    const ProgramSandbox sandbox;
    {
        ChildProcess child(sandbox.binary(), { "serve", "--listen=0.0.0.0", "--port=0" },
                           sandbox.directory(), StandardInput::Closed);
        const auto errors = child.readErrorsUntil("serving", kPatience);
        EXPECT_NE(errors.find("warning: anyone who can reach 0.0.0.0 can read and write the "
                              "charts of this directory"),
                  std::string::npos)
            << errors;
        ::kill(child.pid(), SIGTERM);
        EXPECT_EQ(child.finish().status, 0);
    }
    sandbox.writeChart("song.txt", "oooo\n");
    {
        // A loopback address given on purpose keeps other sites' names out all the same.
        ChildProcess child(sandbox.binary(), { "serve", "--listen=127.0.0.1", "--port=0" },
                           sandbox.directory(), StandardInput::Closed);
        const int port = printedPort(child.readErrorsUntil("/ (", kPatience), "127\\.0\\.0\\.1");
        ASSERT_GT(port, 0);
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(kPatience);
        const httplib::Headers foreign{ { "Host", "rebound.example:" + std::to_string(port) },
                                        { "If-Match", "*" } };
        EXPECT_EQ(client.Get("/api/charts/song.txt", foreign)->status, 403);
        EXPECT_EQ(client.Put("/api/charts/song.txt", foreign, "xxxx\n", "text/plain")->status, 403);
        EXPECT_EQ(client.Get("/api/charts/song.txt")->status, 200);
        ::kill(child.pid(), SIGTERM);
        EXPECT_EQ(child.finish().status, 0);
    }
    EXPECT_EQ(readFile(sandbox / "song.txt"), "oooo\n");
    httplib::Server taken;
    const int takenPort = taken.bind_to_any_port("127.0.0.1");
    ASSERT_GT(takenPort, 0);
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        { { "serve", "missing" },
          1,
          "beatplate serve: cannot open the folder missing: No such file or directory" },
        { { "serve", "song.txt" },
          1,
          "beatplate serve: cannot open the folder song.txt: Not a directory" },
        { { "serve", "--port", "70000" }, 4, "beatplate serve: invalid port: '70000'" },
        { { "serve", "--listen", "example.org" }, 4, "invalid address: 'example.org'" },
        { { "serve", "a", "b" }, 4, "too many directories" },
        { { "serve", "--sheet", "none.png" }, 3, "スプライトシートを読み込めません。 (none.png)" },
        { { "serve", "--port", std::to_string(takenPort) },
          3,
          "beatplate: cannot listen on http://127.0.0.1:" + std::to_string(takenPort)
              + "/: Address already in use" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        const auto result = sandbox.run(c.arguments);
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE(result.errors.find(c.message), std::string::npos) << result.errors;
    }
    const auto help = sandbox.run({ "serve", "--help" });
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("Usage: beatplate serve [OPTION]... [DIR]"), std::string::npos);
}

} // namespace
} // namespace beatplate::test
