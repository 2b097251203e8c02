#include "chart/chart_text_reader.h"

#include <fstream>
#include <iterator>

namespace beatplate {

// Placeholder decoding (bytes as characters) until the line-reader issue lands.
struct ChartTextReader::State {
    std::string bytes;
    std::size_t offset = 0;
    bool good = true;
};

ChartTextReader::ChartTextReader(std::unique_ptr<State> state)
    : m_state(std::move(state))
{
}
ChartTextReader::ChartTextReader(ChartTextReader&&) noexcept = default;
ChartTextReader& ChartTextReader::operator=(ChartTextReader&&) noexcept = default;
ChartTextReader::~ChartTextReader() = default;

std::optional<ChartTextReader> ChartTextReader::open(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    return fromBytes(std::string(std::istreambuf_iterator<char>(file), {}));
}

ChartTextReader ChartTextReader::fromBytes(std::string bytes)
{
    auto state = std::make_unique<State>();
    state->bytes = std::move(bytes);
    return ChartTextReader(std::move(state));
}

bool ChartTextReader::good() const { return m_state->good; }

void ChartTextReader::readLine(std::wstring& line)
{
    line.clear();
    auto& s = *m_state;
    while (s.offset < s.bytes.size()) {
        const char c = s.bytes[s.offset++];
        if (c == '\n')
            return;
        line += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    s.good = false;
}

} // namespace beatplate
