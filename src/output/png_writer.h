#pragma once

#include "output/banded_picture.h"
#include "output/png_write_options.h"
#include "platform/staged_files.h"
#include "platform/temporary_file.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace beatplate {

// A failure to encode or write the picture, or a sound; what() is a short message for the user,
// detail() what exactly failed where the system told ("output pics/a.png: Permission denied"),
// or empty.
class PngWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    PngWriteError(const std::string& message, std::string detail)
        : std::runtime_error(message)
        , m_detail(std::move(detail))
    {
    }

    [[nodiscard]] const std::string& detail() const { return m_detail; }

private:
    std::string m_detail;
};

// Where an encoded picture goes: a file put in place of its target once complete, an open
// descriptor such as standard output (given the picture only once it is complete, so that a
// failure leaves nothing half-written there), or bytes in memory.
class PngSink {
public:
    // Picture: the file is put in place of its target when finished. Part: it is only finished,
    // for the caller to put in place with the other parts of its picture.
    enum class Placement { Picture, Part };

    explicit PngSink(TemporaryFile& file, Placement placement = Placement::Picture)
        : m_file(&file)
        , m_placement(placement)
    {
    }
    explicit PngSink(std::vector<std::uint8_t>& memory)
        : m_memory(&memory)
    {
    }
    [[nodiscard]] static PngSink descriptor(int fd);

    // Readies the sink before the first bytes; throws PngWriteError.
    void start();
    // False, with the cause kept, when the bytes could not all be taken.
    [[nodiscard]] bool write(std::span<const std::uint8_t> bytes) noexcept;
    // Puts the picture in place once complete (a part only finished); throws PngWriteError.
    void finish();
    // errno of the failed write, ENOMEM when memory ran out; 0 while none failed.
    [[nodiscard]] int error() const { return m_error; }
    // What failed where, for an error number: "output PATH: REASON" or "standard output: REASON".
    [[nodiscard]] std::string failureDetail(int errorNumber) const;

private:
    PngSink() = default;

    TemporaryFile* m_file = nullptr;
    Placement m_placement = Placement::Picture;
    std::FILE* m_stream = nullptr; // the file's, once started
    std::vector<std::uint8_t>* m_memory = nullptr;
    std::vector<std::uint8_t> m_held; // for a descriptor
    int m_descriptor = -1;
    int m_error = 0;
};

// The "bpLt" chunk's data, checked to fit a chunk. Made before a long picture is drawn, it lets
// the caller let go of the chart text, which takes twice its room.
struct SourceChunk {
    std::vector<std::uint8_t> data;
    std::string partLabel; // a part's ("2/3"), written as "bpPt" after it; empty for a picture
};
// Throws PngWriteError when the text is too long for a chunk or memory runs out.
[[nodiscard]] SourceChunk makeSourceChunk(std::u16string_view sourceText);

// Encodes picture as 8-bit RGBA with the chunk as "bpLt" right after IHDR (and a part's label as
// "bpPt" after that) into sink, drawing it
// band by band as it goes, and finishes the sink. The chunk is let go once written, before the
// image. Throws PngWriteError (or what the picture's source throws); a file sink's target is
// then left as it was.
void writeChartPng(const BandedPicture& picture, SourceChunk chunk, PngSink& sink,
                   const PngWriteOptions& options = {});

// The messages that say an output file of one kind cannot be opened.
struct OutputMessages {
    const char* openFailed;
    const char* diskFull; // of blocks or of inodes
};

// Opens the file that will be put in place of outputPath once written, so that a place that
// takes no file is found before any work; throws PngWriteError with one of the messages.
[[nodiscard]] TemporaryFile openOutputFile(const std::filesystem::path& outputPath,
                                           const OutputMessages& messages);

// Opens the file that the picture for outputPath will be written into, so that a place that
// takes no picture is found before any work: throws PngWriteError with the disk-full message
// when the disk or the quota is full (of blocks or of inodes), else the cannot-write one.
[[nodiscard]] TemporaryFile openPngOutput(const std::filesystem::path& outputPath);

// The parts of a picture are each written as a picture is, into a file from openPngOutput
// through a sink of Placement::Part, and handed to the parts of the picture when finished, to be
// put in place together once all are written (StagedFiles). Each throws PngWriteError with the
// message a picture's file gives for the failure and "output PATH: REASON".
[[nodiscard]] StagedFiles openPngParts(const std::filesystem::path& picturePath);
void stagePngPart(StagedFiles& parts, TemporaryFile& file);
// The detail also says which parts were put in place before the one that failed.
void placePngParts(StagedFiles& parts, std::span<const StagedFiles::Target> targets);

} // namespace beatplate
