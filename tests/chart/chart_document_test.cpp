#include "chart/chart_document.h"

#include <gtest/gtest.h>

namespace beatplate {
namespace {

TEST(ChartDocument, StartsWithDefaults)
{
    const ChartDocument document;
    EXPECT_TRUE(document.notes.empty());
    EXPECT_TRUE(document.events.empty());
    EXPECT_TRUE(document.measures.empty());
    EXPECT_TRUE(document.gogoSpans.empty());
    EXPECT_EQ(document.title, u"");
    EXPECT_EQ(document.difficulty, u"ふつう");
    EXPECT_EQ(document.level, 5);
}

TEST(ChartDocument, PositionsOrderByMeasureThenTickThenSignedBranch)
{
    EXPECT_LT((ChartPosition{ 0, 4000000000u, 4 }), (ChartPosition{ 1, 0, 0 }));
    EXPECT_LT((ChartPosition{ 2, 5, 4 }), (ChartPosition{ 2, 4000000000u, 0 }));
    EXPECT_LT((ChartPosition{ 2, 5, -1 }), (ChartPosition{ 2, 5, 0 }));
    EXPECT_LT((ChartPosition{ 2, 5, 2 }), (ChartPosition{ 2, 5, 4 }));
}

TEST(ChartDocument, FirstNoteAtAPositionWins)
{
    ChartDocument document;
    document.notes.insert({ NoteKind::O, 0, 0, { 1, 120, 0 } });
    document.notes.insert({ NoteKind::ParenSpan, 480, 3, { 1, 120, 0 } });
    ASSERT_EQ(document.notes.size(), 1u);
    EXPECT_EQ(document.notes.begin()->kind, NoteKind::O);
}

TEST(ChartDocument, NotesOfParallelBranchesIterateInBranchOrder)
{
    ChartDocument document;
    for (const int branch : { 4, 1, 2, 0 })
        document.notes.insert({ NoteKind::X, 0, 0, { 3, 240, branch } });
    std::vector<int> branches;
    for (const auto& note : document.notes)
        branches.push_back(note.position.branch);
    EXPECT_EQ(branches, (std::vector<int>{ 0, 1, 2, 4 }));
}

TEST(ChartDocument, EventsAtEqualPositionsKeepInsertionOrder)
{
    ChartDocument document;
    document.events.insert({ ChartEventKind::Tempo, 15000, { 2, 0, 0 } });
    document.events.insert({ ChartEventKind::LineBreak, 0, { 2, 0, 0 } });
    document.events.insert({ ChartEventKind::BranchStart, 0, { 1, 0, 0 } });
    document.events.insert({ ChartEventKind::Tempo, 12000, { 2, 0, 0 } });
    std::vector<ChartEventKind> kinds;
    std::vector<int> values;
    for (const auto& event : document.events) {
        kinds.push_back(event.kind);
        values.push_back(event.value);
    }
    EXPECT_EQ(kinds,
              (std::vector{ ChartEventKind::BranchStart, ChartEventKind::Tempo,
                            ChartEventKind::LineBreak, ChartEventKind::Tempo }));
    EXPECT_EQ(values, (std::vector{ 0, 15000, 0, 12000 }));
}

TEST(ChartDocument, OpenGogoSpanReachesToTheEnd)
{
    ChartDocument document;
    document.openGogoSpan({ 2, 480, 0 });
    ASSERT_EQ(document.gogoSpans.size(), 1u);
    EXPECT_EQ(document.gogoSpans[0].lower(), (ChartPosition{ 2, 480, 0 }));
    EXPECT_EQ(document.gogoSpans[0].upper(), (ChartPosition{ 4294967295u, 4294967295u, 0 }));
}

TEST(ChartDocument, CloseGogoSpanRules)
{
    ChartDocument empty;
    EXPECT_EQ(empty.closeGogoSpan({ 0, 0, 0 }), GogoClosing::NoneOpen);

    ChartDocument equalBounds;
    equalBounds.openGogoSpan({ 2, 0, 0 });
    EXPECT_EQ(equalBounds.closeGogoSpan({ 2, 0, 0 }), GogoClosing::Closed);
    EXPECT_EQ(equalBounds.gogoSpans[0].upper(), (ChartPosition{ 2, 0, 0 }));

    ChartDocument backwards;
    backwards.openGogoSpan({ 2, 960, 0 });
    EXPECT_EQ(backwards.closeGogoSpan({ 2, 480, 0 }), GogoClosing::Backwards);
    EXPECT_EQ(backwards.gogoSpans[0].upper(), kChartEnd);

    ChartDocument twiceClosed;
    twiceClosed.openGogoSpan({ 1, 0, 0 });
    EXPECT_EQ(twiceClosed.closeGogoSpan({ 2, 0, 0 }), GogoClosing::Closed);
    EXPECT_EQ(twiceClosed.closeGogoSpan({ 3, 0, 0 }), GogoClosing::Closed);
    ASSERT_EQ(twiceClosed.gogoSpans.size(), 1u);
    EXPECT_EQ(twiceClosed.gogoSpans[0].upper(), (ChartPosition{ 3, 0, 0 }));

    ChartDocument nested;
    nested.openGogoSpan({ 1, 0, 0 });
    nested.openGogoSpan({ 2, 0, 0 });
    EXPECT_EQ(nested.closeGogoSpan({ 3, 0, 0 }), GogoClosing::Closed);
    ASSERT_EQ(nested.gogoSpans.size(), 2u);
    EXPECT_EQ(nested.gogoSpans[0].upper(), kChartEnd);
    EXPECT_EQ(nested.gogoSpans[1].upper(), (ChartPosition{ 3, 0, 0 }));
}

} // namespace
} // namespace beatplate
