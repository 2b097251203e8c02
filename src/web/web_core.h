#pragma once

#include "image/canvas.h"
#include "load/header_font.h"
#include "pipeline/picture_tools.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// An answer to the page's script: JSON for it to read, and the files it asked for.
struct WebAnswer {
    std::string json; // {"error": MESSAGE, ...} when there is no answer
    std::vector<std::vector<std::uint8_t>> files; // the pictures (one per part), or a chart file

    bool operator==(const WebAnswer&) const = default;
};

// The answer to a question that threw: the system's message for running out of memory, else
// the error's own.
[[nodiscard]] WebAnswer failureAnswer(const std::exception& error);
// {"loaded": loaded}.
[[nodiscard]] WebAnswer loadedAnswer(bool loaded);

// What the page asks of a chart, answered from bytes in memory as the command line answers it
// from files: the picture, the diagnostics of --check, the figures of --stats --json, the chart
// a picture carries, and a chart file's text and form for the editor and back. Draws with the
// sheet and the header face it was given.
class WebCore final {
public:
    // False when png is no sprite sheet; drawing then fails as without a sheet.
    bool loadSpriteSheet(std::span<const std::uint8_t> png);
    // False when font holds no usable face; the header is then left out.
    bool loadHeaderFont(std::vector<std::uint8_t> font);

    // The picture in columns ("1" to "1000", or "auto") cut into parts within maxSize ("WxH",
    // or empty for one picture), as --columns and --max-size take them: one file per part, and
    // {"parts": N}. A chart error answers its report and {"line", "column"}.
    [[nodiscard]] WebAnswer draw(std::string chart, std::string_view columns,
                                 std::string_view maxSize);
    // Every error and warning, in line and column order as --check lists them:
    // [{"line", "column", "severity", "message", "detail", ...}] as diagnosticsJson gives them.
    [[nodiscard]] static WebAnswer check(std::string chart);
    // The figures as --stats --json gives them for a chart named name, its timeline placed on
    // the picture in columns and maxSize as draw takes them; a chart error answers its report.
    [[nodiscard]] static WebAnswer figures(std::string chart, const std::string& name,
                                           std::string_view columns, std::string_view maxSize);
    // The strokes the page plays the chart with, as the server gives them: {"sampleRate",
    // "voiceSamples", "voices", "strokes"}; a chart error answers its report.
    [[nodiscard]] static WebAnswer sound(std::string chart);
    // The voices' WAV file the strokes are played with, and {}.
    [[nodiscard]] static WebAnswer voices();
    // {"text", "encoding"}: the chart a picture carries, UTF-8 with LF line ends, and the
    // encoding beatplate-chart writes it in (code page 932 when that holds it).
    [[nodiscard]] static WebAnswer chartOf(std::string_view png);
    // A chart file as an editor takes it: {"text", "encoding", "byteOrderMark", "lineEnds",
    // "readOnly"}, readOnly null or why saving the text would lose some of the file.
    [[nodiscard]] static WebAnswer readChartFile(std::string_view bytes);
    // UTF-8 text written as a chart file in an encoding as readChartFile names it ("code page
    // 932", "UTF-8", ...), with a byte-order mark or not, and lineEnds "LF" or "CRLF": the
    // file, or {"error", "line", "column"} when it would not read back as the text.
    [[nodiscard]] static WebAnswer writeChartFile(std::string_view text, std::string_view encoding,
                                                  bool byteOrderMark, std::string_view lineEnds);

private:
    // The sheet and face loaded; a picture without a sheet fails as the command line's does.
    [[nodiscard]] PictureTools tools() const;

    std::optional<Canvas> m_sheet;
    std::optional<HeaderFont> m_font;
};

} // namespace beatplate
