#include "lsp/picture_worker.h"

#include "lsp/chart_analysis.h"
#include "lsp/picture_feature.h"
#include "lsp/rpc_error.h"
#include "pipeline/thread_picture_tools.h"

namespace beatplate {

static nlohmann::json errorAnswer(const nlohmann::json& id, RpcErrorCode code,
                                  const std::string& message)
{
    return { { "jsonrpc", "2.0" },
             { "id", id },
             { "error", { { "code", static_cast<int>(code) }, { "message", message } } } };
}

PictureWorker::PictureWorker(PictureSources& sources, Answer answer)
    : m_sources(sources)
    , m_answer(std::move(answer))
    , m_thread([this](const std::stop_token& ending) { run(ending); })
{
}

PictureWorker::~PictureWorker()
{
    cancelAll("the server is ending");
}

void PictureWorker::add(PictureJob job)
{
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(job));
    }
    m_changed.notify_all();
}

bool PictureWorker::cancel(const nlohmann::json& id)
{
    bool found = false;
    const auto taken = takeMatching(
        [&](const nlohmann::json& jobId, const std::string&, int) {
            found = found || jobId == id;
            return jobId == id;
        },
        "cancelled");
    for (const PictureJob& job : taken)
        answerCancelled(job.id, "cancelled");
    return found;
}

void PictureWorker::cancelOlder(const std::string& uri, std::optional<int> version,
                                const std::string& why)
{
    const auto taken = takeMatching(
        [&](const nlohmann::json&, const std::string& jobUri, int jobVersion) {
            return jobUri == uri && (!version || jobVersion < *version);
        },
        why);
    for (const PictureJob& job : taken)
        answerCancelled(job.id, why);
}

void PictureWorker::cancelAll(const std::string& why)
{
    const auto taken =
        takeMatching([](const nlohmann::json&, const std::string&, int) { return true; }, why);
    for (const PictureJob& job : taken)
        answerCancelled(job.id, why);
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return !m_drawing; });
}

std::deque<PictureJob> PictureWorker::takeMatching(
    const std::function<bool(const nlohmann::json& id, const std::string& uri, int version)>&
        matches,
    const std::string& why)
{
    std::deque<PictureJob> taken;
    const std::lock_guard lock(m_mutex);
    for (auto job = m_queue.begin(); job != m_queue.end();) {
        if (!matches(job->id, job->uri, job->document.version())) {
            ++job;
            continue;
        }
        taken.push_back(std::move(*job));
        job = m_queue.erase(job);
    }
    if (m_drawing && !m_drawing->stop.stop_requested()
        && matches(m_drawing->id, m_drawing->uri, m_drawing->version)) {
        m_drawing->why = why;
        m_drawing->stop.request_stop();
    }
    return taken;
}

void PictureWorker::run(const std::stop_token& ending)
{
    // This thread's own: a header face may not be shared between threads.
    ThreadPictureTools tools(m_sources);
    while (true) {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait(lock, ending, [&] { return !m_queue.empty(); }))
            return;
        PictureJob job = std::move(m_queue.front());
        m_queue.pop_front();
        m_drawing = Drawing{ job.id, job.uri, job.document.version(), {}, {} };
        const std::stop_token stop = m_drawing->stop.get_token();
        lock.unlock();
        const nlohmann::json id = job.id;
        try {
            // Answered while it still counts as drawn, so that cancelAll returns only after.
            m_answer(answerFor(std::move(job), tools, stop));
        } catch (const std::exception& error) {
            answerFailed(id, error);
        }
        lock.lock();
        m_drawing.reset();
        lock.unlock();
        m_changed.notify_all();
    }
}

nlohmann::json PictureWorker::answerFor(PictureJob job, ThreadPictureTools& tools,
                                        const std::stop_token& stop)
{
    // Read here, not on the editor's thread, so that hovers are answered while a long chart is.
    const ChartAnalysis analysis(job.document, job.invalidText);
    auto result = PictureFeature::picture(job.uri, analysis, tools, stop, job.form);
    if (result)
        return { { "jsonrpc", "2.0" }, { "id", job.id }, { "result", std::move(*result) } };
    const std::lock_guard lock(m_mutex);
    return errorAnswer(job.id, RpcErrorCode::RequestCancelled,
                       "the picture was not drawn: " + m_drawing->why);
}

void PictureWorker::answerCancelled(const nlohmann::json& id, const std::string& why) const
{
    m_answer(errorAnswer(id, RpcErrorCode::RequestCancelled, "the picture was not drawn: " + why));
}

// Running out of memory for the picture or its answer leaves room for a short one.
void PictureWorker::answerFailed(const nlohmann::json& id, const std::exception& error) const
{
    try {
        m_answer(errorAnswer(id, RpcErrorCode::InternalError, error.what()));
    } catch (const std::exception&) {
        // Not even a short answer could be made: the thread must go on for the next job.
    }
}

} // namespace beatplate
