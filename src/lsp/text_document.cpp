#include "lsp/text_document.h"

#include <algorithm>
#include <limits>

namespace beatplate {

static bool isLineEnd(char16_t unit)
{
    return unit == u'\n' || unit == u'\r';
}

// The index after the line end that starts at index.
static std::size_t afterLineEnd(std::u16string_view text, std::size_t index)
{
    if (text[index] == u'\r' && index + 1 < text.size() && text[index + 1] == u'\n')
        return index + 2;
    return index + 1;
}

TextDocument::TextDocument(std::u16string text, int version)
    : m_text(std::move(text))
    , m_version(version)
{
}

void TextDocument::edit(const std::optional<TextRange>& range, std::u16string_view replacement,
                        int version)
{
    m_version = version;
    if (!range) {
        m_text.assign(replacement);
        return;
    }
    const std::size_t start = offsetOf(range->start);
    const std::size_t end = std::max(start, offsetOf(range->end));
    m_text.replace(start, end - start, replacement);
}

std::size_t TextDocument::lineStart(int number) const
{
    std::size_t index = 0;
    for (int line = 0; line < number; ++line) {
        index = lineEnd(index);
        if (index == m_text.size())
            return index;
        index = afterLineEnd(m_text, index);
    }
    return index;
}

std::size_t TextDocument::lineEnd(std::size_t start) const
{
    const auto end =
        std::find_if(m_text.begin() + static_cast<std::ptrdiff_t>(start), m_text.end(), isLineEnd);
    return static_cast<std::size_t>(end - m_text.begin());
}

std::size_t TextDocument::offsetOf(TextPosition position) const
{
    if (position.line < 0)
        return 0;
    const std::size_t start = lineStart(position.line);
    const std::size_t end = lineEnd(start);
    const auto character = static_cast<std::size_t>(std::max(position.character, 0));
    return std::min(start + character, end);
}

TextPosition TextDocument::positionOf(std::size_t offset) const
{
    offset = std::min(offset, m_text.size());
    TextPosition position;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = lineEnd(start);
        if (offset <= end || end == m_text.size()) {
            position.character = static_cast<int>(offset - start);
            return position;
        }
        start = afterLineEnd(m_text, end);
        ++position.line;
    }
}

std::u16string_view TextDocument::line(int number) const
{
    if (number < 0 || number >= lineCount())
        return {};
    const std::size_t start = lineStart(number);
    return std::u16string_view(m_text).substr(start, lineEnd(start) - start);
}

std::vector<std::u16string_view> TextDocument::lines() const
{
    return lines(0, std::numeric_limits<int>::max());
}

std::vector<std::u16string_view> TextDocument::lines(int first, int last) const
{
    std::vector<std::u16string_view> result;
    if (first < 0 || first > last || first >= lineCount())
        return result;
    std::size_t start = lineStart(first);
    for (int number = first; number <= last; ++number) {
        const std::size_t end = lineEnd(start);
        result.push_back(std::u16string_view(m_text).substr(start, end - start));
        if (end == m_text.size())
            break;
        start = afterLineEnd(m_text, end);
    }
    return result;
}

int TextDocument::lineCount() const
{
    int count = 1;
    for (std::size_t index = 0; index < m_text.size(); ++index) {
        if (!isLineEnd(m_text[index]))
            continue;
        index = afterLineEnd(m_text, index) - 1;
        ++count;
    }
    return count;
}

} // namespace beatplate
