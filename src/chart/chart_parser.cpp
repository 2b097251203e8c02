#include "chart/chart_parser.h"

#include "chart/chart_text_reader.h"

#include <stdexcept>
#include <utility>

namespace beatplate {

ChartParseError::ChartParseError(int lineNumber, std::string message)
    : m_lineNumber(lineNumber)
    , m_message(std::move(message))
    , m_report("読み込み時にエラーが発生しました: " + std::to_string(lineNumber) + "行\n" + m_message)
{
}

ChartParser::ChartParser() { reset(); }

void ChartParser::reset()
{
    document = std::make_unique<ChartDocument>();
    measureCursor = 0;
    ticksPerChar = 120;
    tabWidth = 4;
    currentBranch = 0;
    branchMask = 0;
    groupState = { { 0, 0 }, { 1, 0 }, { 2, 0 }, { 4, 0 } };
    beatLength = 1.0;
    beats = 4;
    lineCount = 0;
}

std::unique_ptr<ChartDocument> ChartParser::parse(ChartTextReader& reader)
{
    std::wstring line;
    while (reader.good()) {
        reader.readLine(line);
        ++lineCount;
        sourceText += line;
        sourceText += L'\n';
        if (line.empty() || line[0] == L';')
            continue;
        try {
            if (line[0] == L'#')
                readDirective(line);
            else
                readNoteLine(line);
        } catch (const std::runtime_error& error) {
            throw ChartParseError(lineCount, error.what());
        }
    }
    return std::move(document);
}

// Placeholders until the chart-reader issue lands.
void ChartParser::readDirective(const std::wstring&) { }
void ChartParser::readNoteLine(std::wstring) { }

} // namespace beatplate
