#include "server/serve_command.h"

#include "cli/console.h"
#include "cli/messages.h"
#include "cli/option_parser.h"
#include "driver/exit_status.h"
#include "driver/run.h"
#include "driver/run_paths.h"
#include "load/text_font_lookup.h"
#include "server/chart_directory.h"
#include "server/chart_preview.h"
#include "server/chart_server.h"
#include "server/serve_options.h"
#include "server/web_page.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace beatplate {

namespace {

constexpr std::string_view kProgramName = "beatplate serve";

// While it lives, SIGINT and SIGTERM are held back from every thread started after it; once
// watching, a thread of its own takes the first and stops the server, so that requests under
// way are answered and nothing is left behind.
class StopServerOnSignal {
public:
    StopServerOnSignal()
    {
        sigemptyset(&m_signals);
        sigaddset(&m_signals, SIGINT);
        sigaddset(&m_signals, SIGTERM);
        ::pthread_sigmask(SIG_BLOCK, &m_signals, &m_previous);
    }
    StopServerOnSignal(const StopServerOnSignal&) = delete;
    StopServerOnSignal& operator=(const StopServerOnSignal&) = delete;
    ~StopServerOnSignal()
    {
        finish();
        ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }

    void watch(ChartServer& server)
    {
        m_thread = std::thread([this, &server] { waitForSignal(server); });
    }
    // Stops taking signals; the server may then go.
    void finish()
    {
        m_done = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void waitForSignal(ChartServer& server) const
    {
        const timespec interval{ 0, 100'000'000 };
        while (!m_done) {
            if (::sigtimedwait(&m_signals, nullptr, &interval) > 0)
                break;
        }
        // A second signal ends the process at once, as it would without us.
        ::pthread_sigmask(SIG_UNBLOCK, &m_signals, nullptr);
        // A stop just before the server begins to listen would be lost: repeat it until then.
        while (!m_done) {
            server.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    sigset_t m_signals{};
    sigset_t m_previous{};
    std::atomic<bool> m_done{ false };
    std::thread m_thread;
};

} // namespace

static std::string urlOf(const std::string& address, int port)
{
    const bool ipv6 = address.find(':') != std::string::npos;
    return "http://" + (ipv6 ? "[" + address + "]" : address) + ":" + std::to_string(port) + "/";
}

static int listenAndServe(const ServeOptions& options, ChartServer& server,
                          const std::filesystem::path& directory, Console& console)
{
    const int port = server.bind(options.address, options.port);
    if (port < 0) {
        console.report("beatplate: cannot listen on " + urlOf(options.address, options.port) + ": "
                           + std::strerror(errno),
                       std::nullopt);
        return kExitOutputFailed;
    }
    if (options.addressGiven && hostCheckFor(options.address) == HostCheck::Any)
        console.report("warning: anyone who can reach " + options.address
                           + " can read and write the charts of this directory",
                       directory.string(), MessageKind::Warning);
    console.report("serving the charts at " + urlOf(options.address, port), directory.string(),
                   MessageKind::Information);
    return server.run() ? kExitSuccess : kExitOutputFailed;
}

static int serveDirectory(const ServeOptions& options, ChartDirectory& directory,
                          ChartPreview& preview, WebPage page, Console& console)
{
    // Signals are held back before the server starts the threads that would otherwise take them.
    StopServerOnSignal stopper;
    ChartServer server(directory, preview, std::move(page), hostCheckFor(options.address));
    stopper.watch(server);
    const int status = listenAndServe(options, server, directory.path(), console);
    stopper.finish();
    return status;
}

static int serveWithOptions(const ServeOptions& options, std::string_view argv0,
                            std::span<const std::uint8_t> builtIn, Console& console)
{
    std::optional<ChartDirectory> directory;
    try {
        directory.emplace(options.directory);
    } catch (const std::filesystem::filesystem_error& error) {
        console.report("beatplate serve: cannot open the folder " + options.directory.string()
                           + ": " + error.code().message(),
                       std::nullopt);
        return kExitChartMissing;
    }
    auto sheet = loadChosenSpriteSheet(options.sheet, argv0, builtIn, console);
    if (!sheet)
        return kExitOutputFailed;
    ChartPreview preview(std::move(*sheet), findHeaderFontFile(), processorCount());
    const auto candidates = spriteSheetCandidatesFor(runningExecutablePath(), argv0);
    return serveDirectory(options, *directory, preview,
                          WebPage::load(webPageCandidatesFor(candidates)), console);
}

int runServe(std::span<const std::string_view> arguments, std::string_view argv0,
             std::span<const std::uint8_t> builtInSpriteSheet)
{
    Console console(STDERR_FILENO);
    try {
        const ServeOptions options = parseServeOptions(arguments);
        if (options.help)
            return printText(serveHelpText());
        return serveWithOptions(options, argv0, builtInSpriteSheet, console);
    } catch (const CommandLineError& error) {
        console.report(commandLineErrorMessage(kProgramName, error), std::nullopt);
        return kExitUsage;
    } catch (const std::exception& error) {
        console.report(std::string(kProgramName) + ": " + error.what(), std::nullopt);
        return kExitOutputFailed;
    }
}

} // namespace beatplate
