#include "chart/chart_parser.h"
#include "chart/chart_text_reader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Any bytes are a chart: reading must end in a document or a chart error, nothing else, and a
// check must agree with it: the same first error, or the same warnings when there is none.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::optional<beatplate::ChartDiagnostic> firstError;
    std::vector<beatplate::ChartDiagnostic> warnings;
    try {
        auto reader = beatplate::ChartTextReader::fromBytes(bytes);
        warnings = beatplate::ChartParser().parse(reader).warnings;
    } catch (const beatplate::ChartParseError& error) {
        firstError = error.diagnostic();
    }
    auto reader = beatplate::ChartTextReader::fromBytes(bytes);
    beatplate::ChartParser checker;
    const auto check = checker.check(reader);
    if (!check.document || check.hasErrors() != firstError.has_value())
        __builtin_trap();
    if (!firstError && check.complete && check.diagnostics != warnings)
        __builtin_trap();
    for (const auto& diagnostic : check.diagnostics) {
        if (firstError && diagnostic.severity == beatplate::ChartSeverity::Error) {
            if (diagnostic != *firstError)
                __builtin_trap();
            break;
        }
    }
    return 0;
}
