#pragma once

#include "platform/temporary_file.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <variant>

namespace beatplate {

// Why a picture or a sound could not be made or written; the caller words it.
enum class OutputErrorKind {
    Unopenable, // the output may not be written, or not put in place of its target
    WriteFailed, // the bytes did not all get written
    DiskFull, // the disk or the quota is full, of blocks or of inodes
    OutOfMemory,
    EmptyPicture,
    TooTall, // taller than PngWriteOptions::maxHeight
    TooWide,
    SourceTooLong, // the chart text does not fit in a chunk
    SoundTooLong, // the sound does not fit in a WAV file
    Stopped, // the encoding was stopped as its options asked, before it was finished
};

// Where the bytes that failed were going.
enum class OutputDestination {
    Memory,
    File,
    StandardOutput, // a descriptor
};

// A failure to make or write an output, as a value.
struct OutputError {
    OutputErrorKind kind = OutputErrorKind::WriteFailed;
    int errorNumber = 0; // the system's reason (an errno value), 0 when it gave none
    OutputDestination destination = OutputDestination::Memory;
    std::filesystem::path file; // the target, when the destination is a file
    std::int64_t soundSeconds = 0; // how long a sound too long lasts
    std::size_t partsPlaced = 0; // parts of a picture put in place before the one that failed

    bool operator==(const OutputError&) const = default;
};

// The failure of a system call that wrote to destination: DiskFull when errorNumber means a full
// disk, else otherwise.
[[nodiscard]] OutputError systemOutputError(OutputErrorKind otherwise, int errorNumber,
                                            OutputDestination destination,
                                            std::filesystem::path file = {});

// The file that will be put in place of outputPath once written, opened so that a place that
// takes no file is found before any work; else why not: DiskFull when the disk or the quota is
// full, Unopenable otherwise.
[[nodiscard]] std::variant<TemporaryFile, OutputError>
openOutputFile(const std::filesystem::path& outputPath);

} // namespace beatplate
