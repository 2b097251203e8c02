#pragma once

#include <cstdint>

namespace beatplate {

// Where a score lies on its page, in canvas pixels. Kept apart from the renderer so that the
// chart reader's warnings measure the same page the renderer draws.

inline constexpr int kPageWidth = 816;
// The x of a row's first measure, and the y of the first row's top.
inline constexpr int kRowLeft = 24;
inline constexpr int kFirstRowTop = 48;
// How far a row's lanes reach beyond its first and last measure.
inline constexpr int kRowOverhang = 24;
// Rows break before a measure that would carry them past this many quarter notes.
inline constexpr double kQuarterNotesPerRow = 16.0;
// Pixels of a quarter note along a row.
inline constexpr std::uint32_t kPixelsPerQuarter = 48;

// A row from its top down: the marker band (gogo band, marks, measure number), then the lanes
// between their two edges; a row is as tall as its lanes and kRowMargins.
inline constexpr int kLanePixels = 24;
inline constexpr int kMarkerBandTop = 14; // where bar lines and the gogo band begin
inline constexpr int kGogoBandHeight = 18;
inline constexpr int kMarkerLabelTop = 20; // the tempo label
inline constexpr int kMeasureNumberTop = 26;
inline constexpr int kLaneEdgeTop = 32; // the top edge; beat lines begin here
inline constexpr int kLaneEdgePixels = 6;
inline constexpr int kLanesTop = 36;
inline constexpr int kRowMargins = 40;
// A note's centre lies in the middle of its lane; it is drawn this far either side of it.
inline constexpr int kNoteRadius = kLanePixels / 2;
inline constexpr int kFirstNoteCentre = kLanesTop + kNoteRadius;

// The height of a row with this many lanes.
[[nodiscard]] constexpr int rowPixels(int lanes)
{
    return lanes * kLanePixels + kRowMargins;
}

} // namespace beatplate
