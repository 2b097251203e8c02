#include "chart/chart_text_reader.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace beatplate {
namespace {

constexpr std::size_t kChunkSize = std::size_t{ 64 } * 1024;
constexpr char16_t kLineFeed = u'\n';
constexpr char16_t kCarriageReturn = u'\r';
constexpr char16_t kEndOfFile = 0x1A;

// Owns one iconv conversion descriptor.
class IconvConverter {
public:
    // Throws std::runtime_error when the system cannot convert between the two encodings.
    IconvConverter(const char* toCode, const char* fromCode)
        : m_handle(iconv_open(toCode, fromCode))
    {
        if (m_handle == invalidHandle())
            throw std::runtime_error(std::string("no converter from ") + fromCode + " to "
                                     + toCode);
    }
    IconvConverter(IconvConverter&& other) noexcept
        : m_handle(std::exchange(other.m_handle, invalidHandle()))
    {
    }
    IconvConverter& operator=(IconvConverter&& other) noexcept
    {
        std::swap(m_handle, other.m_handle);
        return *this;
    }
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;
    ~IconvConverter()
    {
        if (m_handle != invalidHandle())
            iconv_close(m_handle);
    }

    // iconv's own result and errno contract; the four cursors advance past what was converted.
    std::size_t convert(char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft)
    {
        return iconv(m_handle, &in, &inLeft, &out, &outLeft);
    }

private:
    static iconv_t invalidHandle() { return reinterpret_cast<iconv_t>(std::intptr_t{ -1 }); }

    iconv_t m_handle;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct ByteOrderMark {
    std::string_view bytes;
    const char* encoding;
};

// A file behind one of these marks is decoded in that encoding; every other file is code page 932.
constexpr ByteOrderMark kByteOrderMarks[] = {
    { "\xEF\xBB\xBF", "UTF-8" },
    { "\xFF\xFE", "UTF-16LE" },
    { "\xFE\xFF", "UTF-16BE" },
};

} // namespace

struct ChartTextReader::State {
    // Appends the next chunk of the file (never called for bytes in memory); false on a read error.
    [[nodiscard]] bool readMoreBytes();
    void decodePending();
    void decodeMore();
    [[nodiscard]] std::optional<char16_t> peekUnit();
    void startDecoding();

    FilePtr file; // null when reading from memory
    std::string bytes; // input not yet decoded, from byteOffset on
    std::size_t byteOffset = 0;
    bool bytesExhausted = false; // the source holds no more bytes
    std::optional<IconvConverter> converter;
    std::u16string units; // decoded text not yet delivered, from unitOffset on
    std::size_t unitOffset = 0;
    bool textEnded = false; // nothing more will be decoded
    bool good = true;
};

bool ChartTextReader::State::readMoreBytes()
{
    bytes.erase(0, byteOffset);
    byteOffset = 0;
    const std::size_t kept = bytes.size();
    bytes.resize(kept + kChunkSize);
    const std::size_t got = std::fread(bytes.data() + kept, 1, kChunkSize, file.get());
    bytes.resize(kept + got);
    if (got < kChunkSize) {
        if (std::ferror(file.get()) != 0)
            return false;
        bytesExhausted = true;
    }
    return true;
}

// Decodes what the pending bytes hold; an undecodable byte, or a partial character at the very
// end of the input, ends the text there.
void ChartTextReader::State::decodePending()
{
    std::size_t inLeft = bytes.size() - byteOffset;
    char* in = bytes.data() + byteOffset;
    std::string output(2 * inLeft, '\0'); // never more UTF-16 code units than input bytes
    char* out = output.data();
    std::size_t outLeft = output.size();
    const std::size_t result = converter->convert(in, inLeft, out, outLeft);
    const int error = errno;
    byteOffset = bytes.size() - inLeft;
    const std::size_t produced = output.size() - outLeft;
    for (std::size_t i = 0; i + 1 < produced; i += 2) {
        const auto low = static_cast<unsigned char>(output[i]);
        const auto high = static_cast<unsigned char>(output[i + 1]);
        units.push_back(static_cast<char16_t>(low | (high << 8)));
    }
    if (result != static_cast<std::size_t>(-1))
        return;
    if (error == EILSEQ || (error == EINVAL && bytesExhausted))
        textEnded = true;
}

// Refills the decoded buffer; leaves it empty only when the text has ended.
void ChartTextReader::State::decodeMore()
{
    units.clear();
    unitOffset = 0;
    while (units.empty() && !textEnded) {
        const bool pendingEmpty = byteOffset == bytes.size();
        if (pendingEmpty && bytesExhausted) {
            textEnded = true;
            return;
        }
        // A partial character left by the last chunk needs the next one.
        if (!bytesExhausted && !readMoreBytes())
            throw std::runtime_error("chart file could not be read.");
        decodePending();
    }
}

std::optional<char16_t> ChartTextReader::State::peekUnit()
{
    if (unitOffset == units.size())
        decodeMore();
    if (unitOffset == units.size())
        return std::nullopt;
    return units[unitOffset];
}

// Picks the encoding from the first bytes and steps over a byte-order mark.
void ChartTextReader::State::startDecoding()
{
    const std::string_view head(bytes);
    for (const auto& mark : kByteOrderMarks) {
        if (head.starts_with(mark.bytes)) {
            byteOffset = mark.bytes.size();
            converter.emplace("UTF-16LE", mark.encoding);
            return;
        }
    }
    converter.emplace("UTF-16LE", "CP932");
}

ChartTextReader::ChartTextReader(std::unique_ptr<State> state)
    : m_state(std::move(state))
{
}
ChartTextReader::ChartTextReader(ChartTextReader&&) noexcept = default;
ChartTextReader& ChartTextReader::operator=(ChartTextReader&&) noexcept = default;
ChartTextReader::~ChartTextReader() = default;

std::optional<ChartTextReader> ChartTextReader::open(const std::filesystem::path& path)
{
    auto state = std::make_unique<State>();
    state->file.reset(std::fopen(path.c_str(), "rb"));
    if (!state->file)
        return std::nullopt;
    // A directory opens but cannot be read; it is no chart file.
    while (state->bytes.size() < 3 && !state->bytesExhausted) {
        if (!state->readMoreBytes())
            return std::nullopt;
    }
    state->startDecoding();
    return ChartTextReader(std::move(state));
}

ChartTextReader ChartTextReader::fromBytes(std::string bytes)
{
    auto state = std::make_unique<State>();
    state->bytes = std::move(bytes);
    state->bytesExhausted = true;
    state->startDecoding();
    return ChartTextReader(std::move(state));
}

bool ChartTextReader::good() const
{
    return m_state->good;
}

void ChartTextReader::readLine(std::wstring& line)
{
    line.clear();
    auto& state = *m_state;
    while (const auto unit = state.peekUnit()) {
        ++state.unitOffset;
        if (*unit == kEndOfFile) {
            state.textEnded = true;
            state.units.clear();
            state.unitOffset = 0;
            break;
        }
        if (*unit == kLineFeed)
            return;
        if (*unit == kCarriageReturn && state.peekUnit() == kLineFeed) {
            ++state.unitOffset;
            return;
        }
        if (line.size() == kMaxLineLength)
            throw std::runtime_error("line is too long.");
        line.push_back(static_cast<wchar_t>(*unit));
    }
    state.good = false;
}

} // namespace beatplate
