#include "load/sprite_sheet_choice.h"

#include "base/utf8_path.h"
#include "load/sprite_sheet.h"
#include "platform/executable_path.h"

#include <string>
#include <system_error>

namespace beatplate {

namespace {

constexpr const char* kBuiltInSheetName = "built-in sheet";

} // namespace

// The executable's directory with its trailing "/", or empty when argv0 names no directory.
static std::optional<std::string>
executableDirectory(const std::optional<std::filesystem::path>& executablePath,
                    std::string_view argv0)
{
    if (executablePath)
        return (executablePath->parent_path() / "").string();
    const auto slash = argv0.rfind('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    return std::string(argv0.substr(0, slash + 1));
}

std::filesystem::path spriteSheetPathFor(const std::optional<std::filesystem::path>& executablePath,
                                         std::string_view argv0)
{
    return utf8Path(executableDirectory(executablePath, argv0).value_or("") + "pic.png");
}

std::vector<std::filesystem::path>
spriteSheetCandidatesFor(const std::optional<std::filesystem::path>& executablePath,
                         std::string_view argv0)
{
    std::vector<std::filesystem::path> candidates{ spriteSheetPathFor(executablePath, argv0) };
    // A bare argv0 was found through PATH, so "../share" from the current directory means nothing.
    if (const auto directory = executableDirectory(executablePath, argv0))
        candidates.emplace_back(*directory + "../share/beatplate/pic.png");
    return candidates;
}

std::optional<std::filesystem::path>
findSpriteSheet(const std::vector<std::filesystem::path>& candidates)
{
    for (const auto& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate;
    }
    return std::nullopt;
}

SheetChoice chooseSpriteSheet(const std::optional<std::filesystem::path>& named,
                              std::string_view argv0, std::span<const std::uint8_t> builtIn)
{
    if (named)
        return { named, builtIn };
    return { findSpriteSheet(spriteSheetCandidatesFor(runningExecutablePath(), argv0)), builtIn };
}

std::optional<Canvas> loadSpriteSheet(const SheetChoice& choice)
{
    return choice.file ? loadSpriteSheet(*choice.file) : loadSpriteSheet(choice.builtIn);
}

std::string sheetName(const SheetChoice& choice)
{
    return choice.file ? choice.file->string() : kBuiltInSheetName;
}

} // namespace beatplate
