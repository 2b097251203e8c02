#pragma once

#include "server/chart_api.h"
#include "server/chart_save_events.h"
#include "server/web_page.h"

#include <atomic>
#include <memory>
#include <string>

namespace httplib {
class Server;
} // namespace httplib

namespace beatplate {

class ChartDirectory;
class ChartPreview;

enum class HostCheck {
    LoopbackNames, // only Host headers that name the loopback: no other site can reach the API
    Any, // --listen: the address may be reached under any name
};

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
    void serveEvents(httplib::Response& response);

    ChartDirectory& m_directory;
    ChartApi m_api;
    WebPage m_page;
    HostCheck m_hosts;
    int m_port = -1;
    std::atomic<bool> m_stopRequested{ false };
    ChartSaveEvents m_events;
    std::unique_ptr<httplib::Server> m_server;
};

} // namespace beatplate
