#include "lsp/document_store.h"

#include "lsp/rpc_error.h"

namespace beatplate {

void DocumentStore::open(const std::string& uri, std::u16string text, int version, bool invalidText)
{
    m_entries.insert_or_assign(
        uri, Entry{ TextDocument(std::move(text), version), invalidText, {}, {} });
}

const TextDocument* DocumentStore::find(const std::string& uri) const
{
    const auto found = m_entries.find(uri);
    return found == m_entries.end() ? nullptr : &found->second.document;
}

TextDocument* DocumentStore::edit(const std::string& uri)
{
    const auto found = m_entries.find(uri);
    if (found == m_entries.end())
        return nullptr;
    found->second.analysis.reset();
    return &found->second.document;
}

void DocumentStore::markInvalidText(const std::string& uri)
{
    const auto found = m_entries.find(uri);
    if (found != m_entries.end())
        found->second.invalidText = true;
}

bool DocumentStore::hasInvalidText(const std::string& uri) const
{
    const auto found = m_entries.find(uri);
    return found != m_entries.end() && found->second.invalidText;
}

void DocumentStore::close(const std::string& uri)
{
    m_entries.erase(uri);
}

const ChartAnalysis& DocumentStore::analysis(const std::string& uri)
{
    const auto found = m_entries.find(uri);
    if (found == m_entries.end())
        throw RpcError(RpcErrorCode::InvalidParams, "unknown document: " + uri);
    Entry& entry = found->second;
    if (!entry.analysis)
        entry.analysis.emplace(entry.document, entry.invalidText);
    return *entry.analysis;
}

void DocumentStore::schedule(const std::string& uri, TimePoint due)
{
    const auto found = m_entries.find(uri);
    if (found != m_entries.end())
        found->second.due = due;
}

std::optional<DocumentStore::TimePoint> DocumentStore::nextDue() const
{
    std::optional<TimePoint> earliest;
    for (const auto& [uri, entry] : m_entries) {
        if (entry.due && (!earliest || *entry.due < *earliest))
            earliest = entry.due;
    }
    return earliest;
}

std::vector<std::string> DocumentStore::takeDue(TimePoint now)
{
    std::vector<std::string> due;
    for (auto& [uri, entry] : m_entries) {
        if (!entry.due || *entry.due > now)
            continue;
        entry.due.reset();
        due.push_back(uri);
    }
    return due;
}

} // namespace beatplate
