#pragma once

#include "image/banded_picture.h"
#include "output/output_file.h"
#include "output/png_write_options.h"
#include "platform/staged_files.h"
#include "platform/temporary_file.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <variant>
#include <vector>

namespace beatplate {

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

    // Readies the sink before the first bytes.
    [[nodiscard]] std::optional<OutputError> start();
    // False, with the cause kept, when the bytes could not all be taken.
    [[nodiscard]] bool write(std::span<const std::uint8_t> bytes) noexcept;
    // Puts the picture in place once complete (a part is only finished).
    [[nodiscard]] std::optional<OutputError> finish();
    // errno of the failed write, ENOMEM when memory ran out; 0 while none failed.
    [[nodiscard]] int error() const { return m_error; }
    // The failure of this sink for an error number: DiskFull when it means a full disk, else
    // otherwise.
    [[nodiscard]] OutputError failure(int errorNumber, OutputErrorKind otherwise) const;

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
    // Why the text makes no chunk (too long, or memory ran out); writeChartPng returns it
    // before it draws or writes anything.
    std::optional<OutputError> error;
};
[[nodiscard]] SourceChunk makeSourceChunk(std::u16string_view sourceText);

// Encodes picture as 8-bit RGBA with the chunk as "bpLt" right after IHDR (and a part's label as
// "bpPt" after that) into sink, drawing it
// band by band as it goes, and finishes the sink. The chunk is let go once written, before the
// image. On failure, or when stopped as the options ask (Stopped), a file sink's target is left
// as it was. What the picture's source throws reaches the caller.
[[nodiscard]] std::optional<OutputError> writeChartPng(const BandedPicture& picture,
                                                       SourceChunk chunk, PngSink& sink,
                                                       const PngWriteOptions& options = {});

// The parts of a picture are each written as a picture is, into a file from openOutputFile
// through a sink of Placement::Part, and handed to the parts of the picture when finished, to be
// put in place together once all are written (StagedFiles). Each gives the error a picture's
// file gives for the failure; placing says how many parts were put in place before it failed.
[[nodiscard]] std::variant<StagedFiles, OutputError>
openPngParts(const std::filesystem::path& picturePath);
[[nodiscard]] std::optional<OutputError> stagePngPart(StagedFiles& parts, TemporaryFile& file);
[[nodiscard]] std::optional<OutputError>
placePngParts(StagedFiles& parts, std::span<const StagedFiles::Target> targets);

} // namespace beatplate
