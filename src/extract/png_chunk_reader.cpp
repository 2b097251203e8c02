#include "extract/png_chunk_reader.h"

#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <zlib.h>

namespace beatplate {

constexpr std::size_t kBufferSize = std::size_t{ 64 } * 1024;
constexpr std::array<unsigned char, 8> kSignature{ 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };

std::uint32_t pngUint32(const char* bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

static unsigned long addToCrc(unsigned long crc, const char* bytes, std::size_t size)
{
    return ::crc32(crc, reinterpret_cast<const Bytef*>(bytes), static_cast<uInt>(size));
}

PngChunkReader::PngChunkReader(int fd)
    : m_fd(fd)
    , m_buffer(kBufferSize)
{
    m_left = bytesLeftIn(fd);
}

PngChunkReader::PngChunkReader(std::string_view bytes)
    : m_memory(bytes)
    , m_left(bytes.size())
{
}

// Up to size bytes of the input, refilling the buffer when it is empty; empty at the end.
std::string_view PngChunkReader::take(std::size_t size)
{
    if (m_fd < 0) {
        const std::string_view bytes = m_memory.substr(0, size);
        m_memory.remove_prefix(bytes.size());
        *m_left -= bytes.size();
        return bytes;
    }
    if (m_begin == m_end) {
        const long long got = readSome(m_fd, m_buffer.data(), m_buffer.size());
        if (got < 0)
            throw std::system_error(errno, std::generic_category(), "read");
        m_begin = 0;
        m_end = static_cast<std::size_t>(got);
    }
    const std::string_view bytes(m_buffer.data() + m_begin, std::min(size, m_end - m_begin));
    m_begin += bytes.size();
    if (m_left)
        *m_left -= std::min<std::uint64_t>(*m_left, bytes.size());
    return bytes;
}

bool PngChunkReader::readExactly(char* destination, std::size_t size)
{
    for (std::size_t done = 0; done < size;) {
        const std::string_view bytes = take(size - done);
        if (bytes.empty())
            return false;
        std::memcpy(destination + done, bytes.data(), bytes.size());
        done += bytes.size();
    }
    return true;
}

bool PngChunkReader::readSignature()
{
    std::array<char, kSignature.size()> signature{};
    return readExactly(signature.data(), signature.size())
        && std::memcmp(signature.data(), kSignature.data(), kSignature.size()) == 0;
}

std::optional<PngChunkHeader> PngChunkReader::nextChunk()
{
    std::array<char, 8> header{};
    if (!readExactly(header.data(), header.size()))
        return std::nullopt;
    m_chunk.length = pngUint32(header.data());
    std::copy_n(header.begin() + 4, 4, m_chunk.type.begin());
    m_crc = addToCrc(::crc32(0, nullptr, 0), header.data() + 4, 4);
    return m_chunk;
}

bool PngChunkReader::mayHold(std::uint32_t length) const
{
    return !m_left || std::uint64_t{ length } + 4 <= *m_left;
}

ChunkData PngChunkReader::checkCrc()
{
    std::array<char, 4> stored{};
    if (!readExactly(stored.data(), stored.size()))
        return ChunkData::CutOff;
    return pngUint32(stored.data()) == m_crc ? ChunkData::Whole : ChunkData::Damaged;
}

ChunkData PngChunkReader::readData(std::string& data)
{
    // Grown as the bytes arrive, so that a forged length costs no more memory than the input.
    data.clear();
    while (data.size() < m_chunk.length) {
        const std::string_view bytes = take(m_chunk.length - data.size());
        if (bytes.empty())
            return ChunkData::CutOff;
        data.append(bytes);
    }
    m_crc = addToCrc(m_crc, data.data(), data.size());
    return checkCrc();
}

ChunkData PngChunkReader::skipData()
{
    for (std::uint32_t left = m_chunk.length; left > 0;) {
        const std::string_view bytes = take(left);
        if (bytes.empty())
            return ChunkData::CutOff;
        m_crc = addToCrc(m_crc, bytes.data(), bytes.size());
        left -= static_cast<std::uint32_t>(bytes.size());
    }
    return checkCrc();
}

} // namespace beatplate
