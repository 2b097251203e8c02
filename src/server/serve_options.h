#pragma once

#include "cli/option_parser.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace beatplate {

// The port the page is served on by default: clear of the ports development servers usually
// take (3000, 5000, 8000, 8080, 8888) and below the range Linux hands out to outgoing
// connections, and easy to remember for a tool of code page 932.
inline constexpr int kDefaultServePort = 8932;
inline constexpr std::string_view kLoopbackAddress = "127.0.0.1";

// What the command line asks of beatplate serve.
struct ServeOptions {
    std::filesystem::path directory = ".";
    int port = kDefaultServePort; // 0: any free port
    std::string address{ kLoopbackAddress };
    bool addressGiven = false; // --listen was given: warn that others may reach the charts
    std::optional<std::filesystem::path> sheet;
    bool opensPage = false; // --open: show the page in the default browser
    InfoRequest info = InfoRequest::None; // --help
};

// Reads the arguments after "serve"; throws CommandLineError.
[[nodiscard]] ServeOptions parseServeOptions(std::span<const std::string_view> arguments);

// The text of beatplate serve --help.
[[nodiscard]] std::string serveHelpText();

} // namespace beatplate
