#pragma once

#include "base/chart_limits.h"
#include "lsp/byte_channel.h"
#include "lsp/document_store.h"
#include "lsp/message_stream.h"
#include "lsp/picture_worker.h"

#include <atomic>
#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace beatplate {

class PictureSources;

// The longest message read: one that carries the longest chart, every code unit of it escaped
// as six bytes, with room for the rest of the message.
inline constexpr std::size_t kMaxMessageLength = 6 * kMaxChartLength + 65536;
// How long the author must pause before a changed chart is checked again.
inline constexpr std::chrono::milliseconds kCheckPause{ 150 };

// beatplate's language server: reads JSON-RPC messages from the channel and answers them, until
// the editor sends "exit" or closes the input, or its framing cannot be trusted. Pictures are
// drawn on a thread of their own while the other requests are answered.
class LanguageServer {
public:
    // pictures: what the pictures are drawn with, on the server's own drawing thread.
    LanguageServer(ByteChannel& channel, PictureSources& pictures,
                   std::chrono::milliseconds checkPause = kCheckPause,
                   std::size_t maxMessageLength = kMaxMessageLength);

    // Serves until the end, every request answered; 0 when the editor asked for a shutdown
    // first, 1 when not or when a message's framing was broken (said in the log).
    [[nodiscard]] int run();

private:
    void receive(IncomingMessage message);
    void endOnFault(const std::string& problem);
    void answerRequest(const nlohmann::json& id, const std::string& method,
                       const nlohmann::json& params);
    // The result; none when the request is answered elsewhere (streamed, or by the worker).
    [[nodiscard]] std::optional<nlohmann::json>
    request(const nlohmann::json& id, const std::string& method, const nlohmann::json& params);
    // The open document params name; throws RpcError(InvalidParams) for one that is not open.
    [[nodiscard]] const TextDocument& openDocumentOf(const nlohmann::json& params) const;
    void askForPicture(const nlohmann::json& id, const nlohmann::json& params);
    void answerTokens(const nlohmann::json& id, const nlohmann::json& params, bool inRange);
    void notify(const std::string& method, const nlohmann::json& params, bool textRepaired);
    void openDocument(const nlohmann::json& params, bool textRepaired);
    void changeDocument(const nlohmann::json& params, bool textRepaired);
    void closeDocument(const nlohmann::json& params);
    // The settings of our own: "inlayHints", true or false.
    void readSettings(const nlohmann::json& settings);
    void changeSettings(const nlohmann::json& params);
    void publishDue();
    void publish(const std::string& uri);
    // Safe from any thread.
    void send(const nlohmann::json& message);
    void sendError(const nlohmann::json& id, int code, const std::string& message);
    void showMessage(int type, const std::string& message);

    MessageStream m_stream;
    ByteChannel& m_channel;
    DocumentStore m_documents;
    std::chrono::milliseconds m_checkPause;
    bool m_inlayHints = true;
    bool m_inlayHintRefresh = false; // the editor takes workspace/inlayHint/refresh
    int m_requestsSent = 0;
    bool m_initialized = false;
    bool m_shutDown = false;
    std::atomic<bool> m_outputLost = false;
    std::optional<int> m_exitStatus;
    // Last, so that its thread stops before what its answers go through.
    PictureWorker m_pictures;
};

} // namespace beatplate
