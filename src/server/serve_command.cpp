#include "server/serve_command.h"

#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/messages.h"
#include "cli/option_parser.h"
#include "cli/subcommand.h"
#include "load/header_font_choice.h"
#include "load/sprite_sheet_choice.h"
#include "platform/browser.h"
#include "platform/executable_path.h"
#include "platform/processors.h"
#include "platform/socket.h"
#include "platform/stop_on_interrupt.h"
#include "platform/terminal.h"
#include "server/chart_directory.h"
#include "server/chart_preview.h"
#include "server/chart_server.h"
#include "server/serve_options.h"
#include "server/web_page.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace beatplate {

namespace {

constexpr std::string_view kProgramName = "beatplate serve";
// Descriptors kept for what is not a connection: charts read and written, the watch of the
// folder, the page's files.
constexpr std::size_t kOtherDescriptors = 64;
constexpr std::size_t kFewestConnections = 16;

} // namespace

// The limits of the connections: as many held at once as the descriptors the process may have
// allow, beside those of the threads' connections and the rest.
static ConnectionLimits connectionLimits()
{
    ConnectionLimits limits;
    const std::size_t descriptors = raiseOpenFileLimit();
    const std::size_t spare = descriptors > limits.maxThreads + kOtherDescriptors
        ? descriptors - limits.maxThreads - kOtherDescriptors
        : 0;
    limits.maxConnections = std::clamp(spare, kFewestConnections, limits.maxConnections);
    return limits;
}

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
    const std::string url = urlOf(options.address, port);
    console.report("serving the charts at " + url, directory.string(), MessageKind::Information);
    // The browser's first request waits in the listen queue until the server takes it.
    if (options.opensPage) {
        if (const std::string failure = openInBrowser(url); !failure.empty())
            console.report("warning: cannot show the page in a browser: " + failure, std::nullopt,
                           MessageKind::Warning);
    }
    return server.run() ? kExitSuccess : kExitOutputFailed;
}

static int serveDirectory(const ServeOptions& options, ChartDirectory& directory,
                          ChartPreview& preview, WebPage page, Console& console)
{
    // Interrupts are held back before the server starts the threads that would otherwise take
    // them; a stop just before the server begins to listen is repeated until it takes.
    StopOnInterrupt stopper;
    ChartServer server(directory, preview, std::move(page), hostCheckFor(options.address),
                       connectionLimits());
    stopper.watch([&server] { server.stop(); });
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
    const SheetChoice sheetChoice = chooseSpriteSheet(options.sheet, argv0, builtIn);
    auto sheet = loadSpriteSheet(sheetChoice);
    if (!sheet) {
        console.report(kSheetUnreadableMessage, sheetName(sheetChoice));
        return kExitOutputFailed;
    }
    ChartPreview preview(std::move(*sheet),
                         findChosenFontFile({ std::nullopt, programDirectory() }),
                         processorCount());
    const auto candidates = spriteSheetCandidatesFor(runningExecutablePath(), argv0);
    return serveDirectory(options, *directory, preview,
                          WebPage::load(webPageCandidatesFor(candidates)), console);
}

int runServe(std::span<const std::string_view> arguments, std::string_view argv0,
             std::span<const std::uint8_t> builtInSpriteSheet)
{
    Console console(kStandardError);
    return runSubcommand(kProgramName, console, [&]() -> int {
        const ServeOptions options = parseServeOptions(arguments);
        if (options.info == InfoRequest::Help)
            return printText(serveHelpText()) ? kExitSuccess : kExitOutputFailed;
        return serveWithOptions(options, argv0, builtInSpriteSheet, console);
    });
}

} // namespace beatplate
