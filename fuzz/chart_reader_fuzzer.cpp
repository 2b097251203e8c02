#include "chart/chart_parser.h"
#include "chart/chart_text_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Any bytes are a chart: reading must end in a document or a chart error, nothing else.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto reader = beatplate::ChartTextReader::fromBytes(
        std::string(reinterpret_cast<const char*>(data), size));
    beatplate::ChartParser parser;
    try {
        const auto document = parser.parse(reader);
        if (!document)
            __builtin_trap();
    } catch (const beatplate::ChartParseError&) {
    }
    return 0;
}
