#include "lsp/language_server.h"

#include "chart/chart_error.h"
#include "lsp/code_actions_feature.h"
#include "lsp/completion_feature.h"
#include "lsp/diagnostics_feature.h"
#include "lsp/folding_feature.h"
#include "lsp/highlight_feature.h"
#include "lsp/hover_feature.h"
#include "lsp/inlay_hints_feature.h"
#include "lsp/picture_feature.h"
#include "lsp/protocol_json.h"
#include "lsp/rpc_error.h"
#include "lsp/selection_feature.h"
#include "lsp/semantic_tokens_feature.h"
#include "lsp/symbols_feature.h"

namespace beatplate {

namespace {

constexpr int kMessageTypeError = 1;
constexpr int kMessageTypeWarning = 2;
// The protocol's incremental text synchronisation.
constexpr int kIncrementalSync = 2;

nlohmann::json capabilities()
{
    return {
        { "positionEncoding", "utf-16" },
        { "textDocumentSync", { { "openClose", true }, { "change", kIncrementalSync } } },
        { "hoverProvider", true },
        { "completionProvider", { { "triggerCharacters", { "#" } } } },
        { "foldingRangeProvider", true },
        { "inlayHintProvider", true },
        { "selectionRangeProvider", true },
        { "documentHighlightProvider", true },
        { "documentSymbolProvider", true },
        { "codeActionProvider", { { "codeActionKinds", { "quickfix" } } } },
        { "semanticTokensProvider",
          { { "legend", SemanticTokensFeature::legend() }, { "full", true } } },
        { "experimental", { { "picture", "beatplate/picture" } } },
    };
}

nlohmann::json initializeResult()
{
    return { { "capabilities", capabilities() },
             { "serverInfo", { { "name", "beatplate" }, { "version", BEATPLATE_VERSION } } } };
}

} // namespace

LanguageServer::LanguageServer(ByteChannel& channel, ThreadPictureTools& pictures,
                               std::chrono::milliseconds checkPause, std::size_t maxMessageLength)
    : m_stream(channel, maxMessageLength)
    , m_channel(channel)
    , m_pictures(pictures)
    , m_checkPause(checkPause)
{
}

int LanguageServer::run()
{
    while (!m_exitStatus && !m_outputLost) {
        publishDue();
        std::optional<std::chrono::milliseconds> timeout;
        if (const auto due = m_documents.nextDue())
            timeout = std::max(
                std::chrono::duration_cast<std::chrono::milliseconds>(*due - m_channel.now()),
                std::chrono::milliseconds(0));
        const IncomingMessage message = m_stream.next(timeout);
        if (message.kind == IncomingKind::End)
            break;
        receive(message);
    }
    if (m_exitStatus)
        return *m_exitStatus;
    return m_shutDown ? 0 : 1;
}

void LanguageServer::receive(const IncomingMessage& message)
{
    switch (message.kind) {
    case IncomingKind::TimedOut:
    case IncomingKind::End:
        return;
    case IncomingKind::TooLarge:
        sendError(nullptr, static_cast<int>(RpcErrorCode::InvalidRequest),
                  std::string(kChartTooLongMessage) + " (" + message.problem + ")");
        showMessage(kMessageTypeError,
                    std::string(kChartTooLongMessage) + " (" + message.problem
                        + "; the chart was not read)");
        return;
    case IncomingKind::Malformed:
        sendError(nullptr, static_cast<int>(RpcErrorCode::ParseError),
                  "malformed message: " + message.problem);
        return;
    case IncomingKind::Message:
        break;
    }
    const auto json = nlohmann::json::parse(message.body, nullptr, false);
    if (json.is_discarded()) {
        sendError(nullptr, static_cast<int>(RpcErrorCode::ParseError), "message is not JSON");
        return;
    }
    const auto method = json.is_object() ? json.find("method") : json.end();
    const bool hasId = json.is_object() && json.contains("id");
    if (json.is_object() && method == json.end() && hasId)
        return; // an answer to a request of ours: none of them needs its answer
    if (method == json.end() || !method->is_string()) {
        sendError(hasId ? json.at("id") : nlohmann::json(),
                  static_cast<int>(RpcErrorCode::InvalidRequest), "message is not a request");
        return;
    }
    const nlohmann::json params = json.value("params", nlohmann::json::object());
    if (hasId)
        answerRequest(json.at("id"), method->get<std::string>(), params);
    else
        notify(method->get<std::string>(), params, message.textRepaired);
}

void LanguageServer::answerRequest(const nlohmann::json& id, const std::string& method,
                                   const nlohmann::json& params)
{
    try {
        nlohmann::json result = request(method, params);
        send({ { "jsonrpc", "2.0" }, { "id", id }, { "result", std::move(result) } });
    } catch (const RpcError& error) {
        sendError(id, static_cast<int>(error.code()), error.what());
    } catch (const nlohmann::json::exception& error) {
        sendError(id, static_cast<int>(RpcErrorCode::InvalidParams),
                  std::string("invalid params: ") + error.what());
    } catch (const std::exception& error) {
        sendError(id, static_cast<int>(RpcErrorCode::InternalError), error.what());
    }
}

nlohmann::json LanguageServer::request(const std::string& method, const nlohmann::json& params)
{
    if (m_shutDown)
        throw RpcError(RpcErrorCode::InvalidRequest, "the server is shutting down");
    if (method == "initialize") {
        m_initialized = true;
        readSettings(params.value("initializationOptions", nlohmann::json::object()));
        const nlohmann::json* refresh =
            findPath(params, { "capabilities", "workspace", "inlayHint", "refreshSupport" });
        m_inlayHintRefresh = refresh != nullptr && refresh->is_boolean() && refresh->get<bool>();
        return initializeResult();
    }
    if (!m_initialized)
        throw RpcError(RpcErrorCode::ServerNotInitialized, "the server is not initialized");
    if (method == "shutdown") {
        m_shutDown = true;
        return nullptr;
    }
    if (method == "textDocument/hover") {
        const std::string uri = documentUriOf(params);
        const ChartAnalysis& analysis = m_documents.analysis(uri);
        return HoverFeature::hover(*m_documents.find(uri), analysis,
                                   positionOf(params.at("position")));
    }
    if (method == "textDocument/completion") {
        const std::string uri = documentUriOf(params);
        static_cast<void>(m_documents.analysis(uri));
        return CompletionFeature::complete(*m_documents.find(uri),
                                           positionOf(params.at("position")), directiveHelp());
    }
    if (method == "textDocument/foldingRange") {
        const std::string uri = documentUriOf(params);
        static_cast<void>(m_documents.analysis(uri));
        return FoldingFeature::foldingRanges(*m_documents.find(uri));
    }
    if (method == "textDocument/inlayHint") {
        const std::string uri = documentUriOf(params);
        const ChartAnalysis& analysis = m_documents.analysis(uri);
        if (!m_inlayHints)
            return nlohmann::json::array();
        return InlayHintsFeature::hints(*m_documents.find(uri), analysis,
                                        rangeOf(params.at("range")));
    }
    if (method == "textDocument/selectionRange") {
        const std::string uri = documentUriOf(params);
        const ChartAnalysis& analysis = m_documents.analysis(uri);
        const TextDocument& document = *m_documents.find(uri);
        return SelectionFeature::selectionRanges(document, analysis, NoteSpans(document, analysis),
                                                 params.at("positions"));
    }
    if (method == "textDocument/documentHighlight") {
        const std::string uri = documentUriOf(params);
        const ChartAnalysis& analysis = m_documents.analysis(uri);
        return HighlightFeature::highlights(NoteSpans(*m_documents.find(uri), analysis),
                                            positionOf(params.at("position")));
    }
    if (method == "textDocument/documentSymbol") {
        const std::string uri = documentUriOf(params);
        const ChartAnalysis& analysis = m_documents.analysis(uri);
        return SymbolsFeature::symbols(*m_documents.find(uri), analysis);
    }
    if (method == "textDocument/codeAction") {
        const std::string uri = documentUriOf(params);
        const ChartAnalysis& analysis = m_documents.analysis(uri);
        return CodeActionsFeature::actions(uri, *m_documents.find(uri), analysis,
                                           rangeOf(params.at("range")));
    }
    if (method == "textDocument/semanticTokens/full") {
        const std::string uri = documentUriOf(params);
        static_cast<void>(m_documents.analysis(uri));
        return SemanticTokensFeature::tokens(*m_documents.find(uri));
    }
    if (method == "beatplate/picture") {
        const std::string uri = documentUriOf(params);
        const ChartAnalysis& analysis = m_documents.analysis(uri);
        return PictureFeature::picture(uri, *m_documents.find(uri), analysis, m_pictures,
                                       PictureFeature::formOf(params));
    }
    throw RpcError(RpcErrorCode::MethodNotFound, "unknown method: " + method);
}

void LanguageServer::notify(const std::string& method, const nlohmann::json& params,
                            bool textRepaired)
{
    if (method == "exit") {
        m_exitStatus = m_shutDown ? 0 : 1;
        return;
    }
    // Before initialize and after shutdown, notifications are dropped, as the protocol says.
    if (!m_initialized || m_shutDown)
        return;
    try {
        if (method == "textDocument/didOpen")
            openDocument(params, textRepaired);
        else if (method == "textDocument/didChange")
            changeDocument(params, textRepaired);
        else if (method == "textDocument/didClose")
            closeDocument(params);
        else if (method == "workspace/didChangeConfiguration")
            changeSettings(params);
    } catch (const std::exception& error) {
        // A notification has no answer: the author is told instead.
        showMessage(kMessageTypeWarning, "beatplate: " + method + ": " + error.what());
    }
}

void LanguageServer::openDocument(const nlohmann::json& params, bool textRepaired)
{
    const auto& item = params.at("textDocument");
    const std::string uri = item.at("uri").get<std::string>();
    m_documents.open(uri, chartTextOf(item.at("text").get<std::string>()),
                     item.at("version").get<int>(), textRepaired);
    publish(uri);
}

void LanguageServer::changeDocument(const nlohmann::json& params, bool textRepaired)
{
    const std::string uri = documentUriOf(params);
    TextDocument* const document = m_documents.edit(uri);
    if (document == nullptr)
        throw RpcError(RpcErrorCode::InvalidParams, "unknown document: " + uri);
    const int version = params.at("textDocument").at("version").get<int>();
    for (const auto& change : params.at("contentChanges")) {
        const auto range =
            change.contains("range") ? std::optional(rangeOf(change.at("range"))) : std::nullopt;
        document->edit(range, chartTextOf(change.at("text").get<std::string>()), version);
    }
    if (textRepaired)
        m_documents.markInvalidText(uri);
    m_documents.schedule(uri, m_channel.now() + m_checkPause);
}

void LanguageServer::closeDocument(const nlohmann::json& params)
{
    const std::string uri = documentUriOf(params);
    m_documents.close(uri);
    send({ { "jsonrpc", "2.0" },
           { "method", "textDocument/publishDiagnostics" },
           { "params", { { "uri", uri }, { "diagnostics", nlohmann::json::array() } } } });
}

void LanguageServer::readSettings(const nlohmann::json& settings)
{
    if (const nlohmann::json* hints = findPath(settings, { "inlayHints" });
        hints && hints->is_boolean())
        m_inlayHints = hints->get<bool>();
}

void LanguageServer::changeSettings(const nlohmann::json& params)
{
    const nlohmann::json* settings = findPath(params, { "settings", "beatplate" });
    if (settings == nullptr)
        return;
    const bool shown = m_inlayHints;
    readSettings(*settings);
    // The editor asks for hints again only when told that they changed.
    if (shown != m_inlayHints && m_inlayHintRefresh)
        send({ { "jsonrpc", "2.0" },
               { "id", "beatplate-" + std::to_string(++m_requestsSent) },
               { "method", "workspace/inlayHint/refresh" } });
}

void LanguageServer::publishDue()
{
    for (const std::string& uri : m_documents.takeDue(m_channel.now()))
        publish(uri);
}

void LanguageServer::publish(const std::string& uri)
{
    const ChartAnalysis& analysis = m_documents.analysis(uri);
    send(
        { { "jsonrpc", "2.0" },
          { "method", "textDocument/publishDiagnostics" },
          { "params", DiagnosticsFeature::publishParams(uri, *m_documents.find(uri), analysis) } });
}

void LanguageServer::send(const nlohmann::json& message)
{
    // Our texts are UTF-8 already; a replacement only guards against a mistake of ours.
    const std::string text = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    if (!m_stream.send(text))
        m_outputLost = true;
}

void LanguageServer::sendError(const nlohmann::json& id, int code, const std::string& message)
{
    send({ { "jsonrpc", "2.0" },
           { "id", id },
           { "error", { { "code", code }, { "message", message } } } });
}

void LanguageServer::showMessage(int type, const std::string& message)
{
    send({ { "jsonrpc", "2.0" },
           { "method", "window/showMessage" },
           { "params", { { "type", type }, { "message", message } } } });
}

} // namespace beatplate
