#include "load/header_font_choice.h"

#include "platform/executable_path.h"

#include <algorithm>
#include <array>
#include <string>
#include <system_error>
#include <vector>

namespace beatplate {

static bool isFontFile(const std::filesystem::path& path)
{
    std::u8string extension = path.extension().u8string();
    std::transform(extension.begin(), extension.end(), extension.begin(), [](char8_t c) {
        return c >= u8'A' && c <= u8'Z' ? static_cast<char8_t>(c - u8'A' + u8'a') : c;
    });
    constexpr std::array<std::u8string_view, 3> kExtensions{ u8".ttf", u8".ttc", u8".otf" };
    return std::find(kExtensions.begin(), kExtensions.end(), extension) != kExtensions.end();
}

static FontFileRef namedFile(const std::filesystem::path& file)
{
    const std::u8string stem = file.stem().u8string();
    return { file, 0, std::string(stem.begin(), stem.end()), FontChoice::NamedGothic };
}

std::optional<FontFileRef> fontFileIn(const std::filesystem::path& directory)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    std::filesystem::directory_iterator entries(directory, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (isFontFile(entries->path()))
            files.push_back(entries->path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        if (std::filesystem::is_regular_file(file, error))
            return namedFile(file);
    }
    return std::nullopt;
}

std::optional<FontFileRef> findChosenFontFile(const HeaderFontChoice& choice)
{
    if (choice.named)
        return namedFile(*choice.named);
    if (choice.programDirectory) {
        if (auto beside = fontFileIn(*choice.programDirectory))
            return beside;
    }
    return findHeaderFontFile();
}

std::optional<std::filesystem::path> programDirectory()
{
    const auto program = runningExecutablePath();
    if (!program)
        return std::nullopt;
    return program->parent_path();
}

} // namespace beatplate
