#include "lsp/semantic_tokens_feature.h"

#include "chart/directive_scanner.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

namespace beatplate {

namespace {

// Indexes into the legend's token types.
enum class TokenType : std::uint32_t {
    Comment,
    Keyword, // a directive's keyword
    String, // a directive's value
    Function, // a note of the o kind
    Type, // a note of the x kind
    Operator, // a span: its opening, its body and its end
    Number, // a count letter of a span, and the triplet mark
};

// Bits into the legend's token modifiers.
constexpr std::uint32_t kBigModifier = 1;

struct TokenKind {
    TokenType type;
    std::uint32_t modifiers = 0;

    bool operator==(const TokenKind&) const = default;
};

std::optional<TokenKind> noteTokenOf(char16_t c)
{
    switch (c) {
    case u'o':
    case u'c':
        return TokenKind{ TokenType::Function };
    case u'O':
    case u'C':
        return TokenKind{ TokenType::Function, kBigModifier };
    case u'x':
        return TokenKind{ TokenType::Type };
    case u'X':
        return TokenKind{ TokenType::Type, kBigModifier };
    case u'(':
    case u')':
    case u'<':
    case u'>':
    case u'[':
    case u']':
    case u'=':
        return TokenKind{ TokenType::Operator };
    case u'@':
    case u'b':
    case u'p':
    case u'3':
        return TokenKind{ TokenType::Number };
    default:
        return std::nullopt;
    }
}

// The numbers of the tokens, five to a token, each line relative to the token before, as the
// JSON text of the result in pieces.
class TokenWriter {
public:
    explicit TokenWriter(const std::function<void(std::string_view)>& sink)
        : m_sink(sink)
    {
        m_sink(R"({"data":[)");
    }

    void add(int line, std::size_t start, std::size_t length, TokenKind kind)
    {
        if (length == 0)
            return;
        const auto character = static_cast<int>(start);
        number(line - m_line);
        number(line == m_line ? character - m_character : character);
        number(static_cast<int>(length));
        number(static_cast<int>(kind.type));
        number(static_cast<int>(kind.modifiers));
        m_line = line;
        m_character = character;
        if (m_pending.size() >= kPieceLength)
            flush();
    }

    void noteLine(int line, std::u16string_view text)
    {
        std::size_t start = 0;
        std::optional<TokenKind> current;
        for (std::size_t unit = 0; unit <= text.size(); ++unit) {
            const auto kind = unit < text.size() ? noteTokenOf(text[unit]) : std::nullopt;
            if (kind == current)
                continue;
            if (current)
                add(line, start, unit - start, *current);
            current = kind;
            start = unit;
        }
    }

    void directiveLine(int line, std::u16string_view text)
    {
        DirectiveScanner scanner(text.substr(1));
        const auto keyword = scanner.readWord();
        const std::size_t keywordEnd = keyword ? 1 + scanner.lastStart() + keyword->size() : 1;
        add(line, 0, keywordEnd, { TokenType::Keyword });
        const std::u16string_view value = trimChartSpace(text.substr(keywordEnd));
        if (!value.empty())
            add(line, static_cast<std::size_t>(value.data() - text.data()), value.size(),
                { TokenType::String });
    }

    void finish()
    {
        m_pending += "]}";
        flush();
    }

private:
    static constexpr std::size_t kPieceLength = 4096;

    void number(int value)
    {
        std::array<char, 16> digits{};
        const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
        if (!m_first)
            m_pending += ',';
        m_first = false;
        m_pending.append(digits.data(), end);
    }

    void flush()
    {
        m_sink(m_pending);
        m_pending.clear();
    }

    const std::function<void(std::string_view)>& m_sink;
    std::string m_pending;
    bool m_first = true;
    int m_line = 0;
    int m_character = 0;
};

} // namespace

nlohmann::json SemanticTokensFeature::legend()
{
    return { { "tokenTypes",
               { "comment", "keyword", "string", "function", "type", "operator", "number" } },
             { "tokenModifiers", { "big" } } };
}

void SemanticTokensFeature::write(const TextDocument& document, int first, int last,
                                  const std::function<void(std::string_view)>& sink)
{
    TokenWriter writer(sink);
    int number = first;
    for (const std::u16string_view line : document.lines(first, last)) {
        const int index = number++;
        if (line.empty())
            continue;
        if (line.front() == u';')
            writer.add(index, 0, line.size(), { TokenType::Comment });
        else if (line.front() == u'#')
            writer.directiveLine(index, line);
        else
            writer.noteLine(index, line);
    }
    writer.finish();
}

} // namespace beatplate
