#include "chart/chart_reading.h"
#include "chart/chart_text_reader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Any bytes are a chart: reading must end in a document with its diagnostics, nothing else; a
// check must agree with a reading to the first error (the same first error, or the same
// warnings when there is none); and the text the bytes decode to, read as an editor's text,
// must give what the bytes gave.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using beatplate::ChartScope;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto first = beatplate::readChart(bytes, { ChartScope::FirstError, std::nullopt });
    const auto check = beatplate::readChart(bytes, { ChartScope::WholeChart, std::nullopt });
    const beatplate::ChartDiagnostic* firstError = first.firstErrorDiagnostic();
    if (check.hasErrors() != (firstError != nullptr))
        __builtin_trap();
    if (!firstError && check.complete && check.diagnostics != first.diagnostics)
        __builtin_trap();
    if (firstError && *check.firstErrorDiagnostic() != *firstError)
        __builtin_trap();
    if (!check.hasErrors() && check.complete) {
        std::u16string text = check.text;
        text.pop_back(); // the line feed the reader adds after the last line
        const auto fromText = beatplate::readChart(text);
        // Text cut at a U+001A is warned of in the bytes only: the text read holds no mark.
        auto diagnostics = check.diagnostics;
        std::erase_if(diagnostics, [](const beatplate::ChartDiagnostic& diagnostic) {
            return diagnostic.message == "the chart ends here; the text after it is not read";
        });
        if (fromText.document != check.document || fromText.diagnostics != diagnostics)
            __builtin_trap();
    }
    return 0;
}
