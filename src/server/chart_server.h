#pragma once

#include "server/chart_api.h"
#include "server/chart_save_events.h"
#include "server/web_page.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace httplib {
class Server;
struct Request;
} // namespace httplib

namespace beatplate {

class ChartDirectory;
class ChartPreview;

// Pages listening for save events at once; each holds a connection and its thread.
inline constexpr std::size_t kMaxEventListeners = 64;

enum class HostCheck {
    LoopbackNames, // only Host headers that name the loopback: no other site can reach the API
    Any, // an address others reach: it may be reached under any name
};

// The check that an address to listen on needs: LoopbackNames for a loopback address.
[[nodiscard]] HostCheck hostCheckFor(const std::string& address);

// The preview server: the page, the chart API and the save events of one chart directory.
class ChartServer {
public:
    // Throws std::system_error when the directory cannot be watched.
    ChartServer(ChartDirectory& directory, ChartPreview& preview, WebPage page, HostCheck hosts);
    ChartServer(const ChartServer&) = delete;
    ChartServer& operator=(const ChartServer&) = delete;
    ~ChartServer();

    // Binds address and port (0: any free port); returns the port bound, or -1 when it cannot.
    [[nodiscard]] int bind(const std::string& address, int port);
    // Answers requests until stop(); false when the server could not listen. Returns at once
    // when stop() came first.
    bool run();
    // Ends the save events and the server; requests under way are answered first. Any thread;
    // a stop() that comes while run() is only starting may be missed, so call it until run()
    // returns.
    void stop();

private:
    void route();
    // Why a request is refused before it is routed, as a status and a message; none when not.
    [[nodiscard]] std::optional<std::pair<int, std::string>>
    refusalOf(const httplib::Request& request) const;
    void serveEvents(httplib::Response& response);

    ChartDirectory& m_directory;
    ChartApi m_api;
    WebPage m_page;
    HostCheck m_hosts;
    std::vector<std::string> m_hostNames; // the Host names that LoopbackNames lets in
    int m_port = -1;
    int m_listeningSocket = -1; // owned by the library
    std::atomic<bool> m_stopRequested{ false };
    ChartSaveEvents m_events;
    std::unique_ptr<httplib::Server> m_server;
};

} // namespace beatplate
