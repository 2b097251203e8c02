#include "server/chart_save_events.h"

#include "server/chart_directory.h"

#include <algorithm>

namespace beatplate {

namespace {

// Saves that follow one another this closely come as one burst: an editor that writes and
// renames, or a few charts saved at once.
constexpr std::chrono::milliseconds kBurstWindow{ 40 };

} // namespace

std::optional<std::vector<SavedChart>> SaveFeed::next(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, timeout, [this] { return m_closed || !m_pending.empty(); });
    if (m_closed)
        return std::nullopt;
    std::vector<SavedChart> saves(m_pending.begin(), m_pending.end());
    m_pending.clear();
    return saves;
}

void SaveFeed::push(const SavedChart& save)
{
    {
        const std::lock_guard lock(m_mutex);
        m_pending.push_back(save);
    }
    m_changed.notify_all();
}

void SaveFeed::close()
{
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
}

ChartSaveEvents::ChartSaveEvents(const ChartDirectory& directory, std::size_t maxListeners)
    : m_directory(directory)
    , m_maxListeners(maxListeners)
    , m_watcher(FileWatcher::forDirectory(directory.path()))
    , m_thread([this] { watch(); })
{
}

ChartSaveEvents::~ChartSaveEvents()
{
    stop();
}

std::shared_ptr<SaveFeed> ChartSaveEvents::subscribe()
{
    const std::lock_guard lock(m_mutex);
    if (m_stopped || m_feeds.size() >= m_maxListeners)
        return nullptr;
    return m_feeds.emplace_back(std::make_shared<SaveFeed>());
}

void ChartSaveEvents::unsubscribe(const std::shared_ptr<SaveFeed>& feed)
{
    const std::lock_guard lock(m_mutex);
    std::erase(m_feeds, feed);
}

void ChartSaveEvents::stop()
{
    m_watcher.stop();
    std::vector<std::shared_ptr<SaveFeed>> feeds;
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
        feeds.swap(m_feeds);
    }
    for (const auto& feed : feeds)
        feed->close();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void ChartSaveEvents::publish(const std::vector<SavedChart>& saves)
{
    const std::lock_guard lock(m_mutex);
    for (const auto& feed : m_feeds) {
        for (const auto& save : saves)
            feed->push(save);
    }
}

void ChartSaveEvents::watch()
{
    for (;;) {
        std::vector<std::filesystem::path> changed;
        try {
            changed = m_watcher.waitForChanges(kBurstWindow);
        } catch (const std::system_error&) {
            // Without events the page still works; only saves from elsewhere go unseen.
            return;
        }
        if (changed.empty())
            return;
        // The directory itself: events were lost, and any chart may have been saved.
        if (changed.size() == 1 && changed.front() == m_directory.path()) {
            changed.clear();
            for (const auto& chart : m_directory.list())
                changed.push_back(m_directory.path() / chart.name);
        }
        std::vector<SavedChart> saves;
        for (const auto& path : changed) {
            if (const auto chart =
                    m_directory.read(ChartDirectory::chartNameOf(path.filename().string())))
                saves.push_back({ chart->info.name, chart->etag });
        }
        publish(saves);
    }
}

} // namespace beatplate
