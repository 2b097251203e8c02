#pragma once

#include "chart/chart_branch.h"
#include "chart/chart_document.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace beatplate {

struct ChartReadingState;
enum class GroupState;
class WarningTracker;

// Reads the characters of one note line into the notes of the parser's current branch. When
// a character is a chart error it undoes what the line did to the notes and the branch's
// state before the error leaves it, so that a check can go on with the next line.
class NoteLineReader {
public:
    // inserted is scratch space for the positions of the notes a line inserts, kept between
    // lines so that its memory is reused.
    NoteLineReader(ChartReadingState& reading, WarningTracker& tracker,
                   std::vector<ChartPosition>& inserted);

    // Reads line (tabs not yet expanded) as paddedLength slots of charsPerMeasure to a
    // measure, the slots after the line's own characters blank. Throws ChartError.
    void read(std::u16string_view line, std::size_t charsPerMeasure, std::size_t paddedLength);

private:
    void readSlot(char16_t c, std::uint32_t measure, std::uint32_t slot);
    void readLine(std::u16string_view line, std::size_t charsPerMeasure, std::size_t paddedLength);
    [[nodiscard]] std::uint32_t tickOf(std::uint32_t slot);
    void insertNote(NoteKind kind, std::uint32_t measure, std::uint32_t slot);
    void openSpan(std::uint32_t measure, std::uint32_t slot);
    void readInsideSpan(char16_t c);
    void closeSpan();
    void growSpan();
    void checkPageEdge(std::uint32_t tick);
    [[noreturn]] void throwParseError() const;

    ChartReadingState& m_reading;
    WarningTracker& m_tracker;
    NoteSet& m_notes;
    std::int64_t m_ticksPerChar;
    Branch m_branch;
    GroupState& m_state;
    ChartNote& m_span;
    std::vector<ChartPosition>& m_inserted;
    std::u16string_view m_line; // as written, tabs not expanded
    std::size_t m_unit = 0; // the code unit being read; its column, from 1, is m_unit + 1
    int m_column = 1;
    bool m_pageEdgeWarned = false;
    bool m_dropWarned = false;
};

} // namespace beatplate
