#include "chart_generator.h"

#include <random>
#include <string_view>

namespace beatplate {

namespace {

class ChartWriter {
public:
    explicit ChartWriter(std::uint32_t seed)
        : m_random(seed)
    {
    }

    void line(std::string_view text)
    {
        m_text += text;
        m_text += "\r\n";
    }

    bool chance(int percent) { return std::uniform_int_distribution(0, 99)(m_random) < percent; }
    int pick(int low, int high) { return std::uniform_int_distribution(low, high)(m_random); }

    // One measure of `slots` characters of note material.
    std::string measure(int slots)
    {
        static constexpr std::string_view kNotes = "ooxxOXcC  ";
        std::string notes;
        while (static_cast<int>(notes.size()) < slots) {
            const int left = slots - static_cast<int>(notes.size());
            if (left >= 8 && chance(8)) {
                notes += span(left);
            } else if (left >= 4 && chance(10)) {
                notes += "3";
                for (int i = 0; i < 3; ++i)
                    notes += kNotes[static_cast<std::size_t>(pick(0, 7))];
            } else {
                notes += kNotes[static_cast<std::size_t>(pick(0, 9))];
            }
        }
        return notes;
    }

    std::string take() { return std::move(m_text); }

private:
    std::string span(int room)
    {
        static constexpr std::string_view kOpenings[] = { "(", "<", "[@", "[b", "[p", "<5" };
        std::string text(kOpenings[static_cast<std::size_t>(pick(0, 5))]);
        if (text[0] == '[')
            text += std::to_string(pick(1, 20));
        const int fill = pick(1, room - static_cast<int>(text.size()) - 2);
        text.append(static_cast<std::size_t>(fill), '=');
        text += text[0] == '<' ? ">" : (text[0] == '(' ? ")" : "]");
        return text;
    }

    std::mt19937 m_random;
    std::string m_text;
};

} // namespace

std::string generateChart(int measureCount, std::uint32_t seed)
{
    ChartWriter writer(seed);
    writer.line("; generated chart");
    writer.line("#title \x82\xb3\x82\xad\x82\xe7 benchmark"); // さくら
    writer.line("#difficulty \x82\xa8\x82\xc9"); // おに
    writer.line("#level 8");
    writer.line("#bpm 150");
    int lanes = 1;
    bool inGogo = false;
    for (int measure = 0; measure < measureCount; ++measure) {
        if (measure % 16 == 5)
            writer.line(writer.chance(50) ? "#bpm 172.5 4 8" : "#bpm 160");
        if (measure % 12 == 3)
            writer.line(lanes > 1 ? "#hs 1.25 oxo 4 4" : "#hs 1.5");
        if (measure % 12 == 9)
            writer.line("#hs 0.75 8 3");
        // Gogo sections are closed before the next opens, even when a long roll skipped ahead.
        if (!inGogo && measure % 32 >= 8 && measure % 32 < 16) {
            writer.line("#begingogo");
            inGogo = true;
        } else if (inGogo && (measure % 32 < 8 || measure % 32 >= 16)) {
            writer.line("#endgogo 4 8");
            inGogo = false;
        }
        if (measure % 25 == 24)
            writer.line("#newline");
        // Three-lane, two-lane and one-lane branched passages, each closed by a single lane.
        if (measure % 60 == 40) {
            writer.line("#branch ooo");
            lanes = 3;
        } else if (measure % 60 == 48 || measure % 60 == 58) {
            writer.line("#branch oxx");
            lanes = 1;
        } else if (measure % 60 == 52) {
            writer.line(writer.chance(50) ? "#branch oxo" : "#branch xoo");
            lanes = 2;
        }
        int slots = 16;
        if (measure % 40 == 20) {
            writer.line("#meter 8 6");
            slots = 24;
        } else if (measure % 40 == 21) {
            writer.line("#meter 4 3");
            slots = 12;
        } else if (measure % 40 == 22) {
            writer.line("#meter 4 4");
        } else if (measure % 40 == 30) {
            writer.line("#beatchar 6"); // a measure of triplet eighths
            slots = 24;
        } else if (measure % 40 == 31) {
            writer.line("#beatchar 4");
        }
        for (int lane = 0; lane < lanes; ++lane)
            writer.line(writer.measure(slots));
        // Now and then a roll held over two whole measures, written over three lines.
        if (lanes == 1 && measure % 45 == 44 && measure + 3 < measureCount) {
            writer.line("(===============");
            writer.line("================");
            writer.line("=======)        ");
            measure += 3;
        }
    }
    return writer.take();
}

} // namespace beatplate
