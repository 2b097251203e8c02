#pragma once

#include "lsp/chart_analysis.h"
#include "lsp/text_document.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace beatplate {

// The charts open in the editor by URI, each with what the reader made of its latest text, and
// the charts whose diagnostics are due to be published once the author pauses.
class DocumentStore {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Opening a URI again replaces what it held.
    void open(const std::string& uri, std::u16string text, int version, bool invalidText);
    // Null when the URI is not open.
    [[nodiscard]] const TextDocument* find(const std::string& uri) const;
    // The document to edit, its analysis dropped; null when the URI is not open.
    [[nodiscard]] TextDocument* edit(const std::string& uri);
    // Marks the text as holding invalid text the editor sent, from now on.
    void markInvalidText(const std::string& uri);
    [[nodiscard]] bool hasInvalidText(const std::string& uri) const;
    void close(const std::string& uri);

    // The analysis of the document's current text, made when first asked for after a change.
    // Throws RpcError(InvalidParams) for a URI that is not open.
    [[nodiscard]] const ChartAnalysis& analysis(const std::string& uri);

    // Diagnostics of uri are due at `due`, replacing an earlier time.
    void schedule(const std::string& uri, TimePoint due);
    // The earliest time diagnostics are due; none when none are.
    [[nodiscard]] std::optional<TimePoint> nextDue() const;
    // The URIs due by now, no longer scheduled.
    [[nodiscard]] std::vector<std::string> takeDue(TimePoint now);

private:
    struct Entry {
        TextDocument document;
        bool invalidText = false;
        std::optional<ChartAnalysis> analysis;
        std::optional<TimePoint> due;
    };

    std::map<std::string, Entry> m_entries;
};

} // namespace beatplate
