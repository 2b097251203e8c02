#include "extract/chart_chunk_reader.h"
#include "extract/extract_error.h"
#include "platform/file_descriptor.h"

#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The largest input that is also fed through a pipe, which takes it whole before it is read.
constexpr int kPipeCapacity = 1 << 20;

struct Outcome {
    std::optional<std::string> chart;
    int status = 0;

    bool operator==(const Outcome&) const = default;
};

Outcome readChart(int fd)
{
    try {
        Outcome outcome{ beatplate::readChartChunk(fd), 0 };
        if (outcome.chart->size() > beatplate::kMaxChartChunkLength)
            __builtin_trap();
        return outcome;
    } catch (const beatplate::ExtractError& error) {
        return { std::nullopt, error.status() };
    }
}

Outcome readFromFile(const std::uint8_t* data, std::size_t size)
{
    static const beatplate::FileDescriptor file(memfd_create("picture", MFD_CLOEXEC));
    if (!file.valid() || ftruncate(file.get(), 0) != 0
        || pwrite(file.get(), data, size, 0) != static_cast<ssize_t>(size)
        || lseek(file.get(), 0, SEEK_SET) != 0)
        __builtin_trap();
    return readChart(file.get());
}

std::optional<Outcome> readFromPipe(const std::uint8_t* data, std::size_t size)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        __builtin_trap();
    const beatplate::FileDescriptor readEnd(ends[0]);
    beatplate::FileDescriptor writeEnd(ends[1]);
    if (fcntl(writeEnd.get(), F_SETPIPE_SZ, kPipeCapacity) < static_cast<int>(size))
        return std::nullopt;
    if (write(writeEnd.get(), data, size) != static_cast<ssize_t>(size))
        __builtin_trap();
    writeEnd.reset();
    return readChart(readEnd.get());
}

} // namespace

// Any bytes are a picture: the chunk reader ends in a chart or in one of its refusals, and says
// the same of a file and of a pipe, which knows no size in advance.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Outcome fromFile = readFromFile(data, size);
    if (const auto fromPipe = readFromPipe(data, size); fromPipe && *fromPipe != fromFile)
        __builtin_trap();
    if (fromFile.chart) {
        try {
            static_cast<void>(beatplate::chartFileFromChunk(*fromFile.chart));
        } catch (const beatplate::ExtractError&) {
        }
    }
    return 0;
}
