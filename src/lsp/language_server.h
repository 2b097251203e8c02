#pragma once

#include "lsp/byte_channel.h"
#include "lsp/document_store.h"
#include "lsp/message_stream.h"

#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace beatplate {

class ThreadPictureTools;

// The longest message read: one that carries the longest chart, every code unit of it escaped
// as six bytes, with room for the rest of the message.
inline constexpr std::size_t kMaxMessageLength = 6 * kMaxChartLength + 65536;
// How long the author must pause before a changed chart is checked again.
inline constexpr std::chrono::milliseconds kCheckPause{ 150 };

// beatplate's language server: reads JSON-RPC messages from the channel and answers them, until
// the editor sends "exit" or closes the input.
class LanguageServer {
public:
    LanguageServer(ByteChannel& channel, ThreadPictureTools& pictures,
                   std::chrono::milliseconds checkPause = kCheckPause,
                   std::size_t maxMessageLength = kMaxMessageLength);

    // Serves until the end; 0 when the editor asked for a shutdown first, 1 when not.
    [[nodiscard]] int run();

private:
    void receive(const IncomingMessage& message);
    void answerRequest(const nlohmann::json& id, const std::string& method,
                       const nlohmann::json& params);
    [[nodiscard]] nlohmann::json request(const std::string& method, const nlohmann::json& params);
    void notify(const std::string& method, const nlohmann::json& params, bool textRepaired);
    void openDocument(const nlohmann::json& params, bool textRepaired);
    void changeDocument(const nlohmann::json& params, bool textRepaired);
    void closeDocument(const nlohmann::json& params);
    // The settings of our own: "inlayHints", true or false.
    void readSettings(const nlohmann::json& settings);
    void changeSettings(const nlohmann::json& params);
    void publishDue();
    void publish(const std::string& uri);
    void send(const nlohmann::json& message);
    void sendError(const nlohmann::json& id, int code, const std::string& message);
    void showMessage(int type, const std::string& message);

    MessageStream m_stream;
    ByteChannel& m_channel;
    ThreadPictureTools& m_pictures;
    DocumentStore m_documents;
    std::chrono::milliseconds m_checkPause;
    bool m_inlayHints = true;
    bool m_inlayHintRefresh = false; // the editor takes workspace/inlayHint/refresh
    int m_requestsSent = 0;
    bool m_initialized = false;
    bool m_shutDown = false;
    bool m_outputLost = false;
    std::optional<int> m_exitStatus;
};

} // namespace beatplate
