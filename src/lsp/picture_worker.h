#pragma once

#include "lsp/text_document.h"
#include "render/column_layout.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace beatplate {

class PictureSources;
class ThreadPictureTools;

// A picture asked for: the request, and the chart as it was when asked, owned by the job.
struct PictureJob {
    nlohmann::json id;
    std::string uri;
    TextDocument document;
    bool invalidText = false; // as the document store marks it
    PictureForm form; // the columns the editor's setting asks for
};

// Draws the pictures asked for on a thread of its own, one at a time in the order asked, so
// that the server answers other requests while one is drawn. Every job is answered exactly
// once through answer, with its picture or with RequestCancelled: answer is called from the
// worker's thread and from the callers of the cancelling functions, and must take both. The
// thread draws with tools of its own, made from sources.
class PictureWorker {
public:
    using Answer = std::function<void(const nlohmann::json& message)>;

    PictureWorker(PictureSources& sources, Answer answer);
    PictureWorker(const PictureWorker&) = delete;
    PictureWorker& operator=(const PictureWorker&) = delete;
    // Cancels what is left, then waits for the thread.
    ~PictureWorker();

    void add(PictureJob job);
    // Cancels the job of request id: a waiting one is answered at once, the one being drawn as
    // soon as its drawing stops. False when no job has that id.
    bool cancel(const nlohmann::json& id);
    // Cancels the jobs for uri made from versions older than version; all of them without one.
    void cancelOlder(const std::string& uri, std::optional<int> version, const std::string& why);
    // Cancels every job, and returns once none is drawn and all are answered.
    void cancelAll(const std::string& why);

private:
    struct Drawing {
        nlohmann::json id;
        std::string uri;
        int version = 0;
        std::stop_source stop;
        std::string why; // once stopped
    };

    void run(const std::stop_token& ending);
    // The job's picture, or RequestCancelled when it was stopped.
    [[nodiscard]] nlohmann::json answerFor(PictureJob job, ThreadPictureTools& tools,
                                           const std::stop_token& stop);
    // Takes the waiting jobs that match out of the queue and stops the one drawn if it matches.
    [[nodiscard]] std::deque<PictureJob> takeMatching(
        const std::function<bool(const nlohmann::json& id, const std::string& uri, int version)>&
            matches,
        const std::string& why);
    void answerCancelled(const nlohmann::json& id, const std::string& why) const;
    void answerFailed(const nlohmann::json& id, const std::exception& error) const;

    PictureSources& m_sources;
    Answer m_answer;
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::deque<PictureJob> m_queue;
    std::optional<Drawing> m_drawing; // until its answer has gone
    // Last, so that the thread has stopped before what it uses goes.
    std::jthread m_thread;
};

} // namespace beatplate
