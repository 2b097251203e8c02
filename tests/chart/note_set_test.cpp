#include "chart/note_set.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <random>
#include <vector>

namespace beatplate {
namespace {

// Writes in the orders a chart produces: in order, branches interleaved over the same measures,
// a part written again and random; each held against a map that keeps the first note written.
TEST(NoteSet, HoldsTheFirstNoteAtEachPositionInOrderAsATreeWould)
{
    enum class Order { Ascending, Branches, Rewritten, Random };
    for (const Order order :
         { Order::Ascending, Order::Branches, Order::Rewritten, Order::Random }) {
        SCOPED_TRACE(static_cast<int>(order));
        std::mt19937 random(7);
        std::vector<ChartPosition> positions;
        const std::uint32_t measures = 3 * NoteSet::kBlockCapacity / 16;
        for (const std::int32_t branch : { 0, 1, 2, 4 }) {
            for (std::uint32_t measure = 0; measure < measures; ++measure) {
                for (std::uint32_t tick = 0; tick < 1920; tick += 120)
                    positions.push_back({ measure, tick, order == Order::Branches ? branch : 0 });
            }
        }
        if (order == Order::Ascending)
            positions.resize(positions.size() / 4);
        if (order == Order::Random)
            std::shuffle(positions.begin(), positions.end(), random);

        NoteSet notes;
        std::map<ChartPosition, ChartNote> expected;
        std::int32_t kind = 0;
        for (const ChartPosition& position : positions) {
            const ChartNote note{ static_cast<NoteKind>(++kind), 0, 0, position };
            EXPECT_EQ(notes.insert(note), expected.emplace(position, note).second);
            // Some writes are undone at once, as a line that fails undoes its notes.
            if (random() % 5 == 0) {
                EXPECT_EQ(notes.erase(position), expected.erase(position));
                EXPECT_EQ(notes.erase(position), 0u);
            }
        }
        // A branch written beside another fills blocks as it goes rather than splitting them.
        const std::size_t fullBlocks =
            (expected.size() + NoteSet::kBlockCapacity - 1) / NoteSet::kBlockCapacity;
        if (order == Order::Branches) {
            EXPECT_LE(notes.blockCount(), fullBlocks * 4 / 3);
        }
        for (const bool shrunk : { false, true }) {
            if (shrunk) {
                notes.shrinkToFit();
                EXPECT_EQ(notes.blockCount(),
                          (expected.size() + NoteSet::kBlockCapacity - 1)
                              / NoteSet::kBlockCapacity);
            }
            ASSERT_EQ(notes.size(), expected.size());
            std::vector<ChartNote> forwards(notes.begin(), notes.end());
            std::vector<ChartNote> backwards(notes.rbegin(), notes.rend());
            std::vector<ChartNote> wanted;
            for (const auto& entry : expected)
                wanted.push_back(entry.second);
            EXPECT_EQ(forwards, wanted);
            EXPECT_EQ(backwards, std::vector<ChartNote>(wanted.rbegin(), wanted.rend()));
            for (const ChartPosition probe : { ChartPosition{ 0, 0, 0 }, ChartPosition{ 5, 61, 0 },
                                               ChartPosition{ measures, 0, 0 } }) {
                const auto want = expected.lower_bound(probe);
                const auto got = notes.lowerBound(probe);
                ASSERT_EQ(got == notes.end(), want == expected.end());
                if (want != expected.end()) {
                    EXPECT_EQ(*got, want->second);
                }
            }
        }
        if (order == Order::Rewritten) {
            // Every note written again: nothing changes.
            const NoteSet before = notes;
            for (const auto& entry : expected)
                EXPECT_FALSE(notes.insert({ NoteKind::None, 0, 0, entry.first }));
            EXPECT_EQ(notes.size(), expected.size());
            EXPECT_TRUE(notes == before);
        }
    }
}

} // namespace
} // namespace beatplate
