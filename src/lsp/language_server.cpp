#include "lsp/language_server.h"

#include "chart/chart_diagnostic.h"
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

#include <limits>
#include <utility>
#include <vector>

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
          { { "legend", SemanticTokensFeature::legend() }, { "full", true }, { "range", true } } },
        { "experimental", { { "picture", "beatplate/picture" } } },
    };
}

// Our texts are UTF-8 already; a replacement only guards against a mistake of ours.
std::string dumped(const nlohmann::json& json)
{
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

nlohmann::json initializeResult()
{
    return { { "capabilities", capabilities() },
             { "serverInfo", { { "name", "beatplate" }, { "version", BEATPLATE_VERSION } } } };
}

} // namespace

LanguageServer::LanguageServer(ByteChannel& channel, PictureSources& pictures,
                               std::chrono::milliseconds checkPause, std::size_t maxMessageLength)
    : m_stream(channel, maxMessageLength)
    , m_channel(channel)
    , m_checkPause(checkPause)
    , m_pictures(pictures, [this](const nlohmann::json& message) { send(message); })
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
        IncomingMessage message = m_stream.next(timeout);
        if (message.kind == IncomingKind::End)
            break;
        receive(std::move(message));
    }
    // Nothing is written once the server has returned.
    m_pictures.cancelAll("the server is ending");
    if (m_exitStatus)
        return *m_exitStatus;
    return m_shutDown ? 0 : 1;
}

void LanguageServer::receive(IncomingMessage message)
{
    switch (message.kind) {
    case IncomingKind::TimedOut:
    case IncomingKind::End:
        return;
    case IncomingKind::TooLarge:
        showMessage(kMessageTypeError,
                    std::string(kChartTooLongMessage) + " (" + message.problem
                        + "; the chart was not read)");
        endOnFault(std::string(kChartTooLongMessage) + " (" + message.problem + ")");
        return;
    case IncomingKind::Malformed:
        endOnFault("malformed message: " + message.problem);
        return;
    case IncomingKind::Message:
        break;
    }
    const auto json = nlohmann::json::parse(message.body, nullptr, false);
    std::string().swap(message.body);
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
    const nlohmann::json noParams = nlohmann::json::object();
    const auto found = json.find("params");
    const nlohmann::json& params = found != json.end() ? *found : noParams;
    if (hasId)
        answerRequest(json.at("id"), method->get<std::string>(), params);
    else
        notify(method->get<std::string>(), params, message.textRepaired);
}

// Where the framing breaks, where the next message begins is unknown: reading on would take
// parts of messages for whole ones.
void LanguageServer::endOnFault(const std::string& problem)
{
    m_channel.log("beatplate lsp: " + problem + "; the input cannot be read past it");
    m_exitStatus = 1;
}

void LanguageServer::answerRequest(const nlohmann::json& id, const std::string& method,
                                   const nlohmann::json& params)
{
    try {
        if (auto result = request(id, method, params))
            send({ { "jsonrpc", "2.0" }, { "id", id }, { "result", std::move(*result) } });
    } catch (const RpcError& error) {
        sendError(id, static_cast<int>(error.code()), error.what());
    } catch (const nlohmann::json::exception& error) {
        sendError(id, static_cast<int>(RpcErrorCode::InvalidParams),
                  std::string("invalid params: ") + error.what());
    } catch (const std::exception& error) {
        sendError(id, static_cast<int>(RpcErrorCode::InternalError), error.what());
    }
}

std::optional<nlohmann::json> LanguageServer::request(const nlohmann::json& id,
                                                      const std::string& method,
                                                      const nlohmann::json& params)
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
        m_pictures.cancelAll("the server is shutting down");
        return nullptr;
    }
    if (method == "textDocument/hover") {
        const std::string uri = documentUriOf(params);
        const TextPosition position = positionOf(params.at("position"));
        const ChartAnalysis& analysis = m_documents.analysis(uri);
        return HoverFeature::hover(*m_documents.find(uri), analysis, position);
    }
    if (method == "textDocument/completion") {
        const TextPosition position = positionOf(params.at("position"));
        return CompletionFeature::complete(openDocumentOf(params), position);
    }
    if (method == "textDocument/foldingRange")
        return FoldingFeature::foldingRanges(openDocumentOf(params));
    if (method == "textDocument/inlayHint") {
        const std::string uri = documentUriOf(params);
        const TextRange range = rangeOf(params.at("range"));
        const ChartAnalysis& analysis = m_documents.analysis(uri);
        if (!m_inlayHints)
            return nlohmann::json::array();
        return InlayHintsFeature::hints(*m_documents.find(uri), analysis, range);
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
        const TextPosition position = positionOf(params.at("position"));
        const ChartAnalysis& analysis = m_documents.analysis(uri);
        return HighlightFeature::highlights(NoteSpans(*m_documents.find(uri), analysis), position);
    }
    if (method == "textDocument/documentSymbol") {
        const std::string uri = documentUriOf(params);
        const ChartAnalysis& analysis = m_documents.analysis(uri);
        return SymbolsFeature::symbols(*m_documents.find(uri), analysis);
    }
    if (method == "textDocument/codeAction") {
        const std::string uri = documentUriOf(params);
        const TextRange range = rangeOf(params.at("range"));
        const ChartAnalysis& analysis = m_documents.analysis(uri);
        return CodeActionsFeature::actions(uri, *m_documents.find(uri), analysis, range);
    }
    if (method == "textDocument/semanticTokens/full"
        || method == "textDocument/semanticTokens/range") {
        answerTokens(id, params, method.ends_with("range"));
        return std::nullopt;
    }
    if (method == "beatplate/picture") {
        askForPicture(id, params);
        return std::nullopt;
    }
    throw RpcError(RpcErrorCode::MethodNotFound, "unknown method: " + method);
}

const TextDocument& LanguageServer::openDocumentOf(const nlohmann::json& params) const
{
    const std::string uri = documentUriOf(params);
    const TextDocument* const document = m_documents.find(uri);
    if (document == nullptr)
        throw RpcError(RpcErrorCode::InvalidParams, "unknown document: " + uri);
    return *document;
}

// The snapshot goes with the job, so that edits made while it is drawn do not reach it.
void LanguageServer::askForPicture(const nlohmann::json& id, const nlohmann::json& params)
{
    const std::string uri = documentUriOf(params);
    const TextDocument& document = openDocumentOf(params);
    // Read here, so that a wrong "columns" is answered at once; drawn in it on the worker's thread.
    const PictureForm form = PictureFeature::formOf(params);
    // The editor shows only the newest picture of a chart: those asked before it are not drawn.
    m_pictures.cancelOlder(uri, std::nullopt, "a newer picture of the chart was asked for");
    m_pictures.add(PictureJob{ id, uri, document, m_documents.hasInvalidText(uri), form });
}

// Counted, then written as they are made: the tokens of a long chart are many times its size
// as JSON numbers.
void LanguageServer::answerTokens(const nlohmann::json& id, const nlohmann::json& params,
                                  bool inRange)
{
    const TextDocument& document = openDocumentOf(params);
    int first = 0;
    int last = std::numeric_limits<int>::max();
    if (inRange) {
        const TextRange range = rangeOf(params.at("range"));
        first = range.start.line;
        // A range that ends at the start of a line takes nothing of it.
        last = range.end.character == 0 && range.end.line > first ? range.end.line - 1
                                                                  : range.end.line;
    }
    const std::string head = R"({"jsonrpc":"2.0","id":)" + dumped(id) + R"(,"result":)";
    std::size_t length = head.size() + 1;
    SemanticTokensFeature::write(document, first, last,
                                 [&](std::string_view piece) { length += piece.size(); });
    const bool sent = m_stream.send(length, [&](const TextSink& sink) {
        sink(head);
        SemanticTokensFeature::write(document, first, last, sink);
        sink("}");
    });
    if (!sent)
        m_outputLost = true;
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
        else if (method == "$/cancelRequest")
            static_cast<void>(m_pictures.cancel(params.at("id")));
        else if (method == "workspace/didChangeConfiguration")
            changeSettings(params);
    } catch (const std::exception& error) {
        // A notification has no answer, and params the editor got wrong are not the author's
        // to mend: the log is told.
        m_channel.log("beatplate lsp: " + method + " ignored: " + error.what());
    }
}

void LanguageServer::openDocument(const nlohmann::json& params, bool textRepaired)
{
    const auto& item = params.at("textDocument");
    const std::string uri = item.at("uri").get<std::string>();
    const int version = integerOf(item, "version");
    m_documents.open(uri, chartTextOf(item.at("text").get_ref<const std::string&>()), version,
                     textRepaired);
    // Checked once the message that carried the text has gone, so that a long chart is not
    // held three times over while it is read.
    m_documents.schedule(uri, m_channel.now());
}

// Every change is read before any is made, so that a change the editor got wrong leaves the
// text as it was rather than half edited.
void LanguageServer::changeDocument(const nlohmann::json& params, bool textRepaired)
{
    const std::string uri = documentUriOf(params);
    const int version = integerOf(params.at("textDocument"), "version");
    std::vector<std::pair<std::optional<TextRange>, std::u16string>> changes;
    for (const auto& change : params.at("contentChanges")) {
        const auto range =
            change.contains("range") ? std::optional(rangeOf(change.at("range"))) : std::nullopt;
        changes.emplace_back(range, chartTextOf(change.at("text").get_ref<const std::string&>()));
    }
    TextDocument* const document = m_documents.edit(uri);
    if (document == nullptr) {
        showMessage(kMessageTypeWarning,
                    "beatplate: textDocument/didChange: unknown document: " + uri);
        return;
    }
    for (const auto& [range, text] : changes)
        document->edit(range, text, version);
    if (textRepaired)
        m_documents.markInvalidText(uri);
    m_pictures.cancelOlder(uri, version,
                           "the chart changed (version " + std::to_string(version) + ")");
    m_documents.schedule(uri, m_channel.now() + m_checkPause);
}

void LanguageServer::closeDocument(const nlohmann::json& params)
{
    const std::string uri = documentUriOf(params);
    m_pictures.cancelOlder(uri, std::nullopt, "the chart was closed");
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
    send({ { "jsonrpc", "2.0" },
           { "method", "textDocument/publishDiagnostics" },
           { "params", DiagnosticsFeature::publishParams(uri, analysis) } });
}

void LanguageServer::send(const nlohmann::json& message)
{
    if (!m_stream.send(dumped(message)))
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
