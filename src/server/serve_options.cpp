#include "server/serve_options.h"

#include "base/utf8_path.h"
#include "platform/network.h"

#include <charconv>
#include <vector>

namespace beatplate {

static int parsePort(std::string_view text)
{
    int port = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535)
        throw CommandLineError("invalid port: '" + std::string(text) + "' (0 to 65535)");
    return port;
}

// A numeric address only: a name would be looked up, and could stand for several addresses.
static std::string parseAddress(std::string_view text)
{
    std::string address(text);
    if (!isNumericAddress(address))
        throw CommandLineError("invalid address: '" + address + "' (an IPv4 or IPv6 address)");
    return address;
}

static std::vector<OptionSpec> serveOptionTable(ServeOptions& options)
{
    return {
        { 'p', "port", "N", "serve on port N (default: 8932; 0: any free port)",
          [&](std::string_view port) { options.port = parsePort(port); } },
        { '\0', "listen", "ADDR",
          "listen on the address ADDR instead of 127.0.0.1;\n"
          "anyone who reaches it can read and write the charts",
          [&](std::string_view address) {
              options.address = parseAddress(address);
              options.addressGiven = true;
          } },
        { '\0', "sheet", "FILE", "draw with the sprite sheet FILE",
          [&](std::string_view file) { options.sheet = utf8Path(file); } },
        { '\0', "open", "", "show the page in the default browser once serving",
          [&](std::string_view) { options.opensPage = true; } },
        helpOption(options.info),
    };
}

ServeOptions parseServeOptions(std::span<const std::string_view> arguments)
{
    ServeOptions options;
    const auto table = serveOptionTable(options);
    const auto operands = parseCommandLine(table, arguments);
    if (operands.size() > 1)
        throw CommandLineError("too many directories: '" + operands[1] + "' (one DIR at most)");
    if (!operands.empty())
        options.directory = utf8Path(operands.front());
    return options;
}

std::string serveHelpText()
{
    ServeOptions unused;
    return "Usage: beatplate serve [OPTION]... [DIR]\n"
           "Serve a page that shows the charts of DIR (default: the current directory)\n"
           "beside their pictures, diagnostics and figures, redraws a chart as it is\n"
           "edited and saves it back. The page's address is printed on standard error;\n"
           "the server runs until it is interrupted.\n"
           "\n"
        + optionHelp(serveOptionTable(unused))
        + "\n"
          "Only *.txt files directly in DIR can be read or written through the page.\n"
          "\n"
          "Exit status:\n"
          "  0  the server was interrupted (SIGINT or SIGTERM)\n"
          "  1  DIR cannot be opened\n"
          "  3  the port cannot be taken, or the sprite sheet cannot be read\n"
          "  4  the command line is wrong\n"
          "\n"
          "Full documentation: man beatplate\n"
          "  (in the source tree: man -l man/beatplate.1)\n";
}

} // namespace beatplate
