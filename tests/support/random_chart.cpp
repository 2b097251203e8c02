#include "random_chart.h"

#include <algorithm>
#include <array>
#include <random>
#include <string_view>

namespace beatplate {

namespace {

class RandomChartWriter {
public:
    explicit RandomChartWriter(std::uint32_t seed)
        : m_random(seed)
    {
    }

    int pick(int low, int high) { return std::uniform_int_distribution(low, high)(m_random); }
    bool chance(int percent) { return pick(0, 99) < percent; }

    template <std::size_t N>
    std::string_view oneOf(const std::array<std::string_view, N>& choices)
    {
        return choices[static_cast<std::size_t>(pick(0, static_cast<int>(N) - 1))];
    }

    void line(std::string_view text)
    {
        m_text += text;
        m_text += '\n';
    }

    // A grid offset after a timed directive, sometimes past the end of the measure.
    std::string offset()
    {
        if (!chance(40))
            return {};
        return " " + std::to_string(pick(1, 8)) + " " + std::to_string(pick(0, 40));
    }

    void directive()
    {
        static constexpr std::array<std::string_view, 8> kTempos = { "150", "90.5",   "300", "1",
                                                                     "999", "120.25", "60",  "7" };
        static constexpr std::array<std::string_view, 8> kSpeeds = { "1.5",     "-1.5", "0.25",
                                                                     "10",      "-0.5", "2",
                                                                     "123.456", "-99" };
        static constexpr std::array<std::string_view, 8> kBranches = { "ooo", "oxx", "xox", "xxo",
                                                                       "oox", "oxo", "xoo", "xxx" };
        switch (pick(0, 9)) {
        case 0:
            line("#bpm " + std::string(oneOf(kTempos)) + offset());
            break;
        case 1:
            line("#hs " + std::string(oneOf(kSpeeds)) + offset());
            break;
        case 2:
            line("#meter " + std::to_string(1 << pick(0, 4)) + " " + std::to_string(pick(1, 13)));
            break;
        case 3:
            line("#beatchar " + std::to_string(pick(1, 12)));
            break;
        case 4: {
            // An end needs a section to end; sections left open at the chart's end are allowed.
            const bool begin = m_openGogo == 0 || chance(50);
            line(std::string(begin ? "#begingogo" : "#endgogo") + offset());
            m_openGogo += begin ? 1 : -1;
            break;
        }
        case 5:
            line("#newline");
            break;
        case 6:
            // A span does not carry over into the branches' lines.
            if (m_openSpan)
                line(")");
            m_openSpan = false;
            {
                const std::string_view word = oneOf(kBranches);
                m_branches = static_cast<int>(std::count(word.begin(), word.end(), 'o'));
                line("#branch " + std::string(word));
            }
            break;
        case 7:
            line(chance(50) ? "#tab 4" : "#tab 8");
            break;
        case 8:
            line("; a comment");
            break;
        default:
            line("");
            break;
        }
    }

    // A note line: mostly a measure's worth, now and then several measures or a long span.
    void noteLine()
    {
        static constexpr std::string_view kNotes = "oxOXcC    ";
        std::string notes;
        const int length = chance(15) ? pick(30, 120) : pick(1, 24);
        while (static_cast<int>(notes.size()) < length) {
            const int roll = pick(0, 99);
            if (roll < 4) {
                notes += m_openSpan
                    ? ")"
                    : oneOf(std::array<std::string_view, 6>{ "(", "<", "[@", "[b", "[p", "[" });
                m_openSpan = !m_openSpan;
                m_spanCounted = false;
            } else if (m_openSpan && roll < 50) {
                // One count to a span, so that it stays within what a span can show.
                notes += chance(80) || m_spanCounted ? "=" : std::to_string(pick(0, 99));
                m_spanCounted = m_spanCounted || notes.back() != '=';
            } else if (!m_openSpan && roll < 8) {
                notes += '3';
            } else if (roll < 10) {
                notes += '\t';
            } else {
                notes += kNotes[static_cast<std::size_t>(pick(0, 9))];
            }
        }
        // Lines take turns between branches, each with spans of its own: keep each line's
        // spans within it.
        if (m_openSpan && m_branches > 1) {
            notes += ')';
            m_openSpan = false;
        }
        line(notes);
    }

    std::string take()
    {
        if (m_openSpan)
            line(")");
        return std::move(m_text);
    }

private:
    std::mt19937 m_random;
    std::string m_text;
    bool m_openSpan = false;
    bool m_spanCounted = false;
    int m_openGogo = 0;
    int m_branches = 1; // selected by the last #branch
};

} // namespace

std::string randomChart(std::uint32_t seed)
{
    RandomChartWriter writer(seed);
    static constexpr std::array<std::string_view, 4> kTitles = {
        "Random", "\xe3\x81\x95\xe3\x81\x8f\xe3\x82\x89 random chart with a rather long title", "",
        "x"
    };
    writer.line("#title " + std::string(writer.oneOf(kTitles)));
    if (writer.chance(70))
        writer.line("#difficulty \xe3\x81\x8a\xe3\x81\xab"); // おに
    writer.line("#level " + std::to_string(writer.pick(0, 10)));
    const int lines = writer.pick(0, 40);
    for (int i = 0; i < lines; ++i) {
        if (writer.chance(30))
            writer.directive();
        else
            writer.noteLine();
    }
    return writer.take();
}

} // namespace beatplate
