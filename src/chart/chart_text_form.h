#pragma once

#include "chart/chart_text_reader.h"

#include <optional>
#include <string>
#include <string_view>

namespace beatplate {

// How a chart file writes its text down, so that an edited text is written back the same way.
struct ChartTextForm {
    ChartEncoding encoding = ChartEncoding::Cp932;
    bool byteOrderMark = false;
    bool crlf = false; // its first line ends in CR LF, as Windows editors write

    bool operator==(const ChartTextForm&) const = default;
};

// The form of a chart file's bytes, its encoding as the chart reader decides it.
[[nodiscard]] ChartTextForm textFormOf(std::string_view bytes);

// A chart file decoded once: its form, and its text as UTF-8 with LF line ends, as the reader
// decodes it; no text when some of it cannot be decoded, or it is longer than the reader takes.
struct DecodedChartFile {
    ChartTextForm form;
    std::optional<std::string> text;
};
[[nodiscard]] DecodedChartFile decodeChartFile(std::string_view bytes);
// Why a chart file that decodeChartFile gave no text for cannot be edited.
[[nodiscard]] std::string notEditableReason(const ChartTextForm& form);

// A place in a chart text: line and column from 1, the column counted in characters.
struct TextPlace {
    int line = 1;
    int column = 1;

    bool operator==(const TextPlace&) const = default;
};

// Where the chart reader would give text (UTF-8, LF or CR LF line ends) back from bytes other
// than as it stands, as the first place that differs; none when it reads back whole.
[[nodiscard]] std::optional<TextPlace> placeNotReadBack(std::string_view utf8,
                                                        std::string_view bytes);

// The place of a U+001A that ends the text of a chart file while more bytes follow it, which
// the reader never reads; none when nothing follows one.
[[nodiscard]] std::optional<TextPlace> placeCutOff(std::string_view bytes);

// Why a chart file whose text goes on after a U+001A at place cannot be edited and saved: its
// reader stops there.
[[nodiscard]] std::string cutOffReason(const TextPlace& place);

// Why UTF-8 text would not read back as it stands from place, naming a U+001A there, which
// ends a chart.
[[nodiscard]] std::string notReadBackReason(std::string_view utf8, const TextPlace& place);

// Why a text cannot be saved in code page 932: line, from 1, holds a character it cannot write.
[[nodiscard]] std::string unwritableLineMessage(int line);

// A text encoded for a chart file.
struct EncodedChart {
    std::string bytes; // valid when unwritableLine is none
    std::optional<int> unwritableLine; // from 1: the first line the encoding cannot hold
    bool invalidText = false; // the UTF-8 given was not valid
};

// Encodes UTF-8 text in form: its line ends (LF or CR LF, either given) as form has them, a
// byte-order mark when form has one, and always for UTF-16, which the reader knows only by it.
[[nodiscard]] EncodedChart encodeChartText(std::string_view utf8, const ChartTextForm& form);

} // namespace beatplate
