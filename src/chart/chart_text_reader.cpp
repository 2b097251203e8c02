#include "chart/chart_text_reader.h"

#include "base/chart_limits.h"
#include "base/text_codec.h"
#include "chart/chart_diagnostic.h"
#include "chart/utf8_detector.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/iconv.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace beatplate {
namespace {

constexpr std::size_t kChunkSize = std::size_t{ 64 } * 1024;
constexpr char16_t kLineFeed = u'\n';
constexpr char16_t kCarriageReturn = u'\r';
constexpr char16_t kEndOfFile = 0x1A;
// Detection keeps what it reads; text still undecided after the most bytes a chart may take
// is too long a chart whatever it is.
constexpr std::size_t kDetectionLimit = kMaxChartBytes;

struct ByteOrderMark {
    std::string_view bytes;
    ChartEncoding encoding;
};

constexpr ByteOrderMark kByteOrderMarks[] = {
    { "\xEF\xBB\xBF", ChartEncoding::Utf8 },
    { "\xFF\xFE", ChartEncoding::Utf16Le },
    { "\xFE\xFF", ChartEncoding::Utf16Be },
};

// iconv knows the Unicode forms by the names users see; only code page 932 has its own.
const char* iconvName(ChartEncoding encoding)
{
    return encoding == ChartEncoding::Cp932 ? "CP932" : chartEncodingName(encoding).data();
}

bool isCp932Lead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool isCp932Trail(unsigned char byte)
{
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

// How many bytes at the start of bytes make up the sequence the decoder refused: what the
// report names and the reader steps over. A line end is never taken into it.
std::size_t badSequenceLength(ChartEncoding encoding, std::string_view bytes)
{
    const auto byteAt = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byteAt(0);
    switch (encoding) {
    case ChartEncoding::Cp932:
        return isCp932Lead(lead) && bytes.size() > 1 && isCp932Trail(byteAt(1)) ? 2 : 1;
    case ChartEncoding::Utf8: {
        const std::size_t expected = lead >= 0xC0 && lead < 0xE0 ? 2
            : lead >= 0xE0 && lead < 0xF0                        ? 3
            : lead >= 0xF0 && lead < 0xF8                        ? 4
                                                                 : 1;
        std::size_t length = 1;
        while (length < expected && length < bytes.size() && (byteAt(length) & 0xC0) == 0x80)
            ++length;
        return length;
    }
    case ChartEncoding::Utf16Le:
    case ChartEncoding::Utf16Be:
        break;
    }
    return std::min<std::size_t>(bytes.size(), 2);
}

// "0x81 0x20 cannot be read as code page 932"
std::string describeBytes(std::string_view bytes, ChartEncoding encoding)
{
    std::string text;
    for (const char byte : bytes) {
        std::array<char, 8> hex{};
        std::snprintf(hex.data(), hex.size(), "0x%02X ", static_cast<unsigned char>(byte));
        text += hex.data();
    }
    return text + "cannot be read as " + std::string(chartEncodingName(encoding));
}

// The index of the first surrogate in line that is not half of a pair; npos when there is none.
std::size_t loneSurrogateIn(std::u16string_view line)
{
    for (std::size_t unit = 0; unit < line.size(); ++unit) {
        if (!isSurrogate(line[unit]))
            continue;
        if (line[unit] >= 0xDC00 || unit + 1 == line.size() || line[unit + 1] < 0xDC00
            || line[unit + 1] > 0xDFFF)
            return unit;
        ++unit;
    }
    return std::u16string_view::npos;
}

} // namespace

struct ChartTextReader::State {
    // Appends the next chunk of the file; at its end, or on a read error, no more bytes come.
    void readMoreBytes();
    void chooseEncoding(std::optional<ChartEncoding> forced);
    void decodePending();
    void decodeMore();
    [[nodiscard]] std::optional<char16_t> peekUnit();
    void endText();
    void reserveText();
    [[nodiscard]] bool fits(std::u16string_view line) const;
    [[nodiscard]] std::optional<LineFault> keepLine(std::u16string_view line);
    void keepFaultyLine(std::u16string_view line);
    [[nodiscard]] std::optional<LineFault> faultOfText(std::u16string_view line) const;
    [[nodiscard]] bool inputFrom(std::size_t index);

    FilePtr file; // null when reading from memory
    std::optional<std::uint64_t> size; // of the whole input, when known
    std::string bytes; // input not yet decoded, from byteOffset on
    std::size_t byteOffset = 0;
    bool bytesExhausted = false; // the source holds no more bytes
    bool readFailed = false;
    bool textCutShort = false; // a failed read ended the text before the file's end
    ChartEncoding encoding = ChartEncoding::Cp932;
    bool byteOrderMark = false;
    std::optional<Iconv> converter;
    bool givenAsText = false; // the input was UTF-16 text, not bytes
    std::u16string decoded;
    std::u16string_view units; // of decoded, or the text given; delivered up to unitOffset
    std::size_t unitOffset = 0;
    bool textEnded = false; // nothing more will be decoded
    bool cutAtMark = false; // the text ended at a 0x1A that more input follows
    std::optional<std::string> undecodable; // the detail of bytes just stepped over
    bool good = true;
    // Kept between calls, so that a run of undecodable bytes costs time per byte, not per
    // chunk: no 0x1A lies before searchedTo, and the converter's output is reused.
    std::size_t searchedTo = 0;
    std::string output;
    std::u16string text; // every line delivered, each followed by one LF
};

void ChartTextReader::State::readMoreBytes()
{
    if (!file) {
        bytesExhausted = true;
        return;
    }
    bytes.erase(0, byteOffset);
    searchedTo -= std::min(searchedTo, byteOffset);
    byteOffset = 0;
    const std::size_t kept = bytes.size();
    bytes.resize(kept + kChunkSize);
    const std::size_t got = std::fread(bytes.data() + kept, 1, kChunkSize, file.get());
    bytes.resize(kept + got);
    if (got < kChunkSize) {
        readFailed = std::ferror(file.get()) != 0;
        bytesExhausted = true;
    }
}

// A byte-order mark decides, then the forced encoding, then what the bytes look like; the
// bytes read to decide are kept for decoding.
void ChartTextReader::State::chooseEncoding(std::optional<ChartEncoding> forced)
{
    while (bytes.size() < 3 && !bytesExhausted)
        readMoreBytes();
    const std::string_view head(bytes);
    for (const auto& mark : kByteOrderMarks) {
        if (head.starts_with(mark.bytes)) {
            byteOffset = mark.bytes.size();
            byteOrderMark = true;
            forced = mark.encoding;
            break;
        }
    }
    if (forced) {
        encoding = *forced;
    } else {
        Utf8Detector detector;
        auto verdict = detector.scan(bytes);
        while (verdict == Utf8Detector::Verdict::Undecided && !bytesExhausted
               && bytes.size() <= kDetectionLimit) {
            readMoreBytes();
            verdict = detector.scan(bytes);
        }
        if (verdict == Utf8Detector::Verdict::Undecided)
            verdict = detector.finish();
        encoding =
            verdict == Utf8Detector::Verdict::Utf8 ? ChartEncoding::Utf8 : ChartEncoding::Cp932;
    }
    converter.emplace("UTF-16LE", iconvName(encoding));
}

// Decodes up to one chunk of the pending bytes. Bytes that cannot be decoded are stepped over
// and noted; a partial character at the very end of the input ends the text.
void ChartTextReader::State::decodePending()
{
    std::size_t window = std::min(bytes.size() - byteOffset, kChunkSize);
    // In these encodings a 0x1A byte is never part of another character, so the text ends
    // there as if the file did, and a character it cuts off is dropped like a last one.
    const bool byteWise = encoding == ChartEncoding::Cp932 || encoding == ChartEncoding::Utf8;
    std::size_t endOfFile = std::string_view::npos;
    if (byteWise) {
        const std::size_t from = std::max(searchedTo, byteOffset);
        const std::size_t limit = byteOffset + window;
        const std::size_t found = from < limit
            ? std::string_view(bytes).substr(from, limit - from).find('\x1A')
            : std::string_view::npos;
        if (found != std::string_view::npos)
            endOfFile = from + found - byteOffset;
        searchedTo = found != std::string_view::npos ? from + found : std::max(from, limit);
    }
    const std::size_t mark =
        endOfFile == std::string_view::npos ? std::string_view::npos : byteOffset + endOfFile;
    if (endOfFile != std::string_view::npos)
        window = endOfFile;
    const bool windowReachesEnd = endOfFile != std::string_view::npos
        || (bytesExhausted && byteOffset + window == bytes.size());
    std::size_t inLeft = window;
    char* in = bytes.data() + byteOffset;
    if (output.size() < 2 * inLeft)
        output.resize(2 * inLeft); // never more UTF-16 code units than input bytes
    char* out = output.data();
    std::size_t outLeft = 2 * inLeft;
    const std::size_t result = converter->convertSome(in, inLeft, out, outLeft);
    const int error = errno;
    byteOffset += window - inLeft;
    const std::size_t produced = 2 * window - outLeft;
    decoded += utf16Of(std::string_view(output).substr(0, produced), ByteOrder::LittleEndian);
    if (result != static_cast<std::size_t>(-1)) {
        textEnded = endOfFile != std::string_view::npos;
        cutAtMark = textEnded && inputFrom(mark + 1);
        return;
    }
    if (error == EILSEQ) {
        const std::string_view rest = std::string_view(bytes).substr(byteOffset);
        const std::size_t length = badSequenceLength(encoding, rest);
        undecodable = describeBytes(rest.substr(0, length), encoding);
        byteOffset += length;
        return;
    }
    if (error == EINVAL && windowReachesEnd) {
        textEnded = true;
        cutAtMark = endOfFile != std::string_view::npos && inputFrom(mark + 1);
    }
}

// Whether the input holds a byte at index of bytes, reading on to know; what is read is kept.
bool ChartTextReader::State::inputFrom(std::size_t index)
{
    while (index >= bytes.size() && !bytesExhausted) {
        const std::size_t dropped = byteOffset;
        readMoreBytes();
        index -= dropped;
    }
    return index < bytes.size();
}

// Refills the decoded buffer; leaves it empty only when the text has ended or bytes were
// stepped over.
void ChartTextReader::State::decodeMore()
{
    decoded.clear();
    units = {};
    unitOffset = 0;
    while (decoded.empty() && !textEnded && !undecodable) {
        const std::size_t pending = bytes.size() - byteOffset;
        if (pending == 0 && bytesExhausted) {
            textEnded = true;
            textCutShort = readFailed;
            break;
        }
        // A partial character left at the end of the pending bytes needs the next chunk.
        if (pending < kChunkSize && !bytesExhausted)
            readMoreBytes();
        decodePending();
    }
    units = decoded;
}

void ChartTextReader::State::endText()
{
    textEnded = true;
    decoded.clear();
    units = {};
    unitOffset = 0;
    good = false;
}

// Room for the whole text at once: grown by doubling, it would take up to three times its size
// while it moves.
void ChartTextReader::State::reserveText()
{
    if (size)
        text.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(*size, kMaxChartLength) + 1));
}

// The LF kept after the last line is not the chart's own, so it does not count against the
// limit.
bool ChartTextReader::State::fits(std::u16string_view line) const
{
    return text.size() + line.size() + (good ? 1 : 0) <= kMaxChartLength;
}

std::optional<LineFault> ChartTextReader::State::keepLine(std::u16string_view line)
{
    if (!fits(line)) {
        good = false;
        return LineFault{ kChartTooLongMessage,
                          columnAt(line, kMaxChartLength - text.size()),
                          {},
                          ChartErrorExtent::Chart,
                          ChartErrorKind::TooLong };
    }
    text += line;
    text += u'\n';
    return std::nullopt;
}

// A line with a fault is kept as read, so that the lines of the text stay the lines read, or
// empty without the room; a text at its limit takes neither, and its next line ends it.
void ChartTextReader::State::keepFaultyLine(std::u16string_view line)
{
    const std::u16string_view kept = fits(line) ? line : std::u16string_view();
    if (fits(kept)) {
        text += kept;
        text += u'\n';
    }
}

// Text given as UTF-16 can hold what no file decodes to.
std::optional<LineFault> ChartTextReader::State::faultOfText(std::u16string_view line) const
{
    if (!givenAsText)
        return std::nullopt;
    const std::size_t lone = loneSurrogateIn(line);
    if (lone == std::u16string_view::npos)
        return std::nullopt;
    return LineFault{ "encoding error.",
                      columnAt(line, lone),
                      describeCharacter(line[lone]) + " is not half of a surrogate pair",
                      ChartErrorExtent::Line,
                      ChartErrorKind::Encoding,
                      ChartTarget::Character };
}

std::optional<char16_t> ChartTextReader::State::peekUnit()
{
    if (unitOffset == units.size())
        decodeMore();
    if (unitOffset == units.size())
        return std::nullopt;
    return units[unitOffset];
}

ChartTextReader::ChartTextReader(std::unique_ptr<State> state)
    : m_state(std::move(state))
{
}
ChartTextReader::ChartTextReader(ChartTextReader&&) noexcept = default;
ChartTextReader& ChartTextReader::operator=(ChartTextReader&&) noexcept = default;
ChartTextReader::~ChartTextReader() = default;

std::optional<ChartTextReader> ChartTextReader::open(const std::filesystem::path& path,
                                                     std::optional<ChartEncoding> forced)
{
    auto state = std::make_unique<State>();
    state->file = openFileStream(path, "rb");
    if (!state->file)
        return std::nullopt;
    state->size = bytesLeftIn(state->file.get());
    // A directory opens but cannot be read; it is no chart file.
    state->readMoreBytes();
    if (state->readFailed)
        return std::nullopt;
    state->chooseEncoding(forced);
    state->reserveText();
    return ChartTextReader(std::move(state));
}

ChartTextReader ChartTextReader::fromBytes(std::string bytes, std::optional<ChartEncoding> forced)
{
    auto state = std::make_unique<State>();
    state->size = bytes.size();
    state->bytes = std::move(bytes);
    state->bytesExhausted = true;
    state->chooseEncoding(forced);
    state->reserveText();
    return ChartTextReader(std::move(state));
}

ChartTextReader ChartTextReader::fromText(std::u16string_view text)
{
    auto state = std::make_unique<State>();
    state->size = text.size();
    state->bytesExhausted = true;
    state->givenAsText = true;
    state->encoding = ChartEncoding::Utf16Le;
    state->units = text;
    state->reserveText();
    return ChartTextReader(std::move(state));
}

ChartEncoding ChartTextReader::encoding() const
{
    return m_state->encoding;
}

bool ChartTextReader::hasByteOrderMark() const
{
    return m_state->byteOrderMark;
}

std::optional<std::uint64_t> ChartTextReader::byteSize() const
{
    return m_state->size;
}

bool ChartTextReader::good() const
{
    return m_state->good;
}

bool ChartTextReader::cutAtEndOfFileMark() const
{
    return m_state->cutAtMark;
}

std::optional<LineFault> ChartTextReader::readLine(std::u16string& line)
{
    line.clear();
    auto& state = *m_state;
    std::optional<LineFault> fault; // the first bytes of the line that could not be decoded
    while (true) {
        const auto unit = state.peekUnit();
        if (!unit && state.undecodable) {
            if (!fault)
                fault =
                    LineFault{ "encoding error.", columnAt(line, line.size()), *state.undecodable,
                               ChartErrorExtent::Line, ChartErrorKind::Encoding };
            state.undecodable.reset();
            continue;
        }
        if (!unit && state.textCutShort) {
            state.endText();
            return LineFault{ "chart file could not be read.", 1, {}, ChartErrorExtent::Chart };
        }
        if (!unit || *unit == kEndOfFile) {
            if (unit)
                state.cutAtMark =
                    state.unitOffset + 1 < state.units.size() || state.inputFrom(state.byteOffset);
            state.endText();
            break;
        }
        ++state.unitOffset;
        if (*unit == kLineFeed)
            break;
        // A lone CR ends a line as LF does; CR LF is one line end.
        if (*unit == kCarriageReturn) {
            if (state.peekUnit() == kLineFeed)
                ++state.unitOffset;
            break;
        }
        if (line.size() == kMaxLineLength) {
            state.good = false;
            // A limit: the rest of the line is not read, so nothing after it can be.
            if (fault) {
                fault->extent = ChartErrorExtent::Chart;
                return fault;
            }
            return LineFault{
                "line is too long.", columnAt(line, line.size()), {}, ChartErrorExtent::Chart
            };
        }
        line.push_back(*unit);
    }
    if (!fault)
        fault = state.faultOfText(line);
    if (!fault)
        return state.keepLine(line);
    state.keepFaultyLine(line);
    return fault;
}

const std::u16string& ChartTextReader::text() const
{
    return m_state->text;
}

std::u16string ChartTextReader::takeText()
{
    return std::exchange(m_state->text, {});
}

} // namespace beatplate
