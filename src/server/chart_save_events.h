#pragma once

#include "platform/file_watcher.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace beatplate {

class ChartDirectory;

// A chart saved in the directory, by the server or by anyone else.
struct SavedChart {
    std::string name;
    std::string etag; // of the bytes saved, so that a page knows its own save

    bool operator==(const SavedChart&) const = default;
};

// The saves that one listener has still to hear of.
class SaveFeed {
public:
    // Waits up to timeout for saves and takes them; none once the feed is closed.
    [[nodiscard]] std::optional<std::vector<SavedChart>> next(std::chrono::milliseconds timeout);
    void push(const SavedChart& save);
    void close();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<SavedChart> m_pending;
    bool m_closed = false;
};

// Watches the chart directory on a thread of its own and tells every listener of each chart
// saved there, within a few tens of milliseconds of the save.
class ChartSaveEvents {
public:
    // Starts watching; throws std::system_error when the directory cannot be watched.
    ChartSaveEvents(const ChartDirectory& directory, std::size_t maxListeners);
    ChartSaveEvents(const ChartSaveEvents&) = delete;
    ChartSaveEvents& operator=(const ChartSaveEvents&) = delete;
    ~ChartSaveEvents();

    // A new listener's feed, shared with the connection that reads it; none when there are
    // maxListeners already or the events have stopped.
    [[nodiscard]] std::shared_ptr<SaveFeed> subscribe();
    void unsubscribe(const std::shared_ptr<SaveFeed>& feed);
    // Ends the watch and closes every feed, so that no listener waits any longer.
    void stop();

private:
    void watch();
    void publish(const std::vector<SavedChart>& saves);

    const ChartDirectory& m_directory;
    std::size_t m_maxListeners;
    FileWatcher m_watcher;
    std::mutex m_mutex;
    std::vector<std::shared_ptr<SaveFeed>> m_feeds;
    bool m_stopped = false;
    std::jthread m_thread;
};

} // namespace beatplate
