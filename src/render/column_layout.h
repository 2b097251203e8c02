#pragma once

#include "render/score_layout.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace beatplate {

// Between two columns: a divider of kDividerWidth pixels runs down its middle.
inline constexpr int kColumnGap = 8;
inline constexpr int kDividerWidth = 2;
// The screen a picture of auto columns is fitted to.
inline constexpr int kScreenWidth = 1920;
inline constexpr int kScreenHeight = 1080;

// One column of a page: the one-column picture's rows [source.top, source.bottom), placed from
// the page's row top down.
struct PageColumn {
    RowSpan source;
    std::int64_t top = 0;

    bool operator==(const PageColumn&) const = default;
};

// A picture of one or more columns side by side, the header above the first.
struct ColumnPage {
    std::vector<PageColumn> columns;

    [[nodiscard]] int width() const;
    [[nodiscard]] std::int64_t height() const;

    bool operator==(const ColumnPage&) const = default;
};

// The width of a page of this many columns, gaps included.
[[nodiscard]] int pageWidth(std::size_t columns);

// The score's rows as blocks of the one-column picture: row i is rows [bounds[i], bounds[i + 1]),
// each from its top to the next row's; the header's rows lie above bounds[0].
[[nodiscard]] std::vector<std::int64_t> rowBounds(const ScoreLayout& layout);

// Shares rows of these heights out among columns in order, columnsPerPage to a page whose first
// column has headerRows above its rows, so that the tallest column is as short as whole rows
// allow and the others as near to the rest's mean; no column is left empty while rows remain.
// Gives where each column's rows end.
[[nodiscard]] std::vector<std::size_t> shareRows(std::span<const std::int64_t> heights,
                                                 std::size_t columns, std::size_t columnsPerPage,
                                                 std::int64_t headerRows);

// The rows in columns columns (fewer when there are fewer rows) on one page.
[[nodiscard]] ColumnPage layOutColumns(std::span<const std::int64_t> bounds, std::size_t columns);

// The rows in pages of columns columns each, no page taller than maxHeight, as few pages as that
// allows. Every row with the header above it must fit maxHeight.
[[nodiscard]] std::vector<ColumnPage> layOutPages(std::span<const std::int64_t> bounds,
                                                  std::size_t columns, std::int64_t maxHeight);

// The column count at which the whole picture, fitted to the screen, is shown largest; ties go
// to fewer, and a picture shown whole at full size stays one column. With maxWidth, only the
// counts whose page is no wider.
[[nodiscard]] std::size_t autoColumns(std::span<const std::int64_t> bounds,
                                      std::optional<int> maxWidth = std::nullopt);

// A width and a height in pixels.
struct PictureSize {
    int width = 0;
    int height = 0;

    bool operator==(const PictureSize&) const = default;
};

// More columns than a picture's width allows are no use to anyone.
inline constexpr std::size_t kMaxColumns = 1000;

// The form a picture is made in for sharing.
struct PictureForm {
    static constexpr std::size_t kAutoColumns = 0;

    std::size_t columns = 1; // kAutoColumns: as autoColumns chooses
    std::optional<PictureSize> maxSize; // parts within this size, when the picture is larger

    [[nodiscard]] bool isOneColumn() const { return columns == 1 && !maxSize; }
    bool operator==(const PictureForm&) const = default;
};

// The pages of a picture in a form, or why it cannot be made within its size.
struct PagePlan {
    std::vector<ColumnPage> pages;
    std::string refusal; // empty when the pages were laid out
};

[[nodiscard]] PagePlan planPages(std::span<const std::int64_t> bounds, const PictureForm& form);

} // namespace beatplate
