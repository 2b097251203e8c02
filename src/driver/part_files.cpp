#include "driver/part_files.h"

#include "base/chart_limits.h"
#include "base/part_label.h"
#include "driver/run_paths.h"
#include "extract/png_chunk_reader.h"
#include "platform/files.h"

#include <cerrno>
#include <optional>
#include <system_error>

namespace beatplate {

namespace {

// Longer than any label we write, so that a forged chunk is not read whole.
constexpr std::uint32_t kMaxPartLabelLength = 64;

} // namespace

// The part label of the PNG the reader stands at, when it carries a chart and a label before its
// image; nothing of the image is read.
static std::optional<PartNumber> partLabelBeforeImage(PngChunkReader& reader)
{
    if (!reader.readSignature())
        return std::nullopt;
    bool hasChart = false;
    std::optional<PartNumber> label;
    std::string data;
    for (auto chunk = reader.nextChunk(); chunk && !chunk->is("IDAT"); chunk = reader.nextChunk()) {
        const bool isLabel = chunk->is(kPartChunkName) && chunk->length <= kMaxPartLabelLength;
        if (isLabel && reader.readData(data) == ChunkData::Whole) {
            label = readPartLabel(data);
            continue;
        }
        if (isLabel || !reader.mayHold(chunk->length) || reader.skipData() != ChunkData::Whole)
            return std::nullopt;
        hasChart = hasChart || chunk->is(kChartChunkName);
    }
    return hasChart ? label : std::nullopt;
}

// The part label of the file at path, when it is a picture of ours cut in parts.
static std::optional<PartNumber> partLabelAt(const std::filesystem::path& path)
{
    const auto status = fileStatusOf(path, LinkHandling::NoFollow);
    if (!status || status->kind != FileKind::Regular)
        return std::nullopt;
    const FileDescriptor file = openForReading(path, LinkHandling::NoFollow);
    if (!file.valid() || !isRegularFile(file.get()))
        return std::nullopt;
    PngChunkReader reader(file.get());
    try {
        return partLabelBeforeImage(reader);
    } catch (const std::system_error&) {
        return std::nullopt;
    }
}

PartTargets examinePartTargets(std::span<const std::filesystem::path> paths)
{
    PartTargets found;
    for (std::size_t index = 0; index < paths.size(); ++index) {
        if (!fileStatusOf(paths[index], LinkHandling::NoFollow) && errno == ENOENT) {
            found.targets.push_back(StagedFiles::Target::Absent);
            continue;
        }
        const auto label = partLabelAt(paths[index]);
        if (!label || label->part != index + 1) {
            found.other = paths[index];
            return found;
        }
        found.targets.push_back(StagedFiles::Target::Replaced);
    }
    return found;
}

std::vector<std::string> removeLaterParts(const std::filesystem::path& picturePath,
                                          std::size_t first, const PathRemovable& removable)
{
    std::vector<std::string> failures;
    for (std::size_t part = first + 1;; ++part) {
        const auto path = partPathFor(picturePath, part);
        const auto label = partLabelAt(path);
        if (!label || label->part != part)
            return failures;
        std::error_code error;
        if (removable(path) && !std::filesystem::remove(path, error) && error)
            failures.push_back(path.string() + ": " + error.message());
    }
}

} // namespace beatplate
