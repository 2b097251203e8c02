#pragma once

#include "chart/chart_branch.h"
#include "chart/chart_document.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace beatplate {

// Where a branch's note lines stand between two characters.
enum class GroupState {
    Idle,
    TripletFirst, // the three notes of a triplet group, each next
    TripletSecond,
    TripletThird,
    InSpan,
};

// What reading keeps for one branch.
struct BranchTrack {
    GroupState group = GroupState::Idle;
    // The span open, or the last one closed: its kind stays until a kind letter comes, and a
    // span closed without one in a branch that never had one keeps Unnamed.
    ChartNote span{ NoteKind::Unnamed, 0, 0, {} };
};

// Where reading stands between two lines: what the directives so far have set and what the
// lines so far have made. The parser's own; its parts (directives, note lines) change it.
struct ChartReadingState {
    ChartDocument document;
    std::uint32_t measureCursor = 0;
    std::int32_t beats = 4;
    double beatLength = 1.0;
    std::uint32_t ticksPerChar = 120;
    std::uint32_t tabWidth = 4;
    BranchMask branchMask = BranchMask::None;
    Branch currentBranch = Branch::None;
    std::array<BranchTrack, std::size(kBranches)> tracks; // in the order of kBranches
    std::int32_t lineCount = 0;
    std::size_t openGogoSpans = 0; // spans of document.gogoSpans open to the chart's end

    [[nodiscard]] BranchTrack& track(Branch branch) { return tracks[indexOf(branch)]; }
};

} // namespace beatplate
