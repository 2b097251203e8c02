#include "platform/text_font_lookup.h"

#include "platform/executable_path.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>
#include <windows.h>

namespace beatplate {

namespace {

// The Japanese gothic faces Windows ships, best first; each file's first face is the gothic.
constexpr std::array kSystemFaces{ L"msgothic.ttc", L"YuGothB.ttc", L"YuGothM.ttc",
                                   L"meiryob.ttc",  L"meiryo.ttc",  L"BIZ-UDGothicB.ttc" };

bool isFontFile(const std::filesystem::path& path)
{
    std::wstring extension = path.extension().wstring();
    std::transform(extension.begin(), extension.end(), extension.begin(), ::towlower);
    return extension == L".ttf" || extension == L".ttc" || extension == L".otf";
}

std::optional<FontFileRef> refTo(const std::filesystem::path& file, FontChoice choice)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    return FontFileRef{ file, 0, file.stem().string(), choice };
}

// A font file that a user put beside the program, the first by name.
std::optional<FontFileRef> fontBesideProgram()
{
    const auto program = runningExecutablePath();
    if (!program)
        return std::nullopt;
    std::vector<std::filesystem::path> files;
    std::error_code error;
    std::filesystem::directory_iterator entries(program->parent_path(), error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (isFontFile(entries->path()))
            files.push_back(entries->path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        if (auto ref = refTo(file, FontChoice::NamedGothic))
            return ref;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> windowsFontsFolder()
{
    std::array<wchar_t, MAX_PATH> buffer{};
    const UINT length = ::GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0 || length >= buffer.size())
        return std::nullopt;
    return std::filesystem::path(std::wstring_view(buffer.data(), length)) / L"Fonts";
}

} // namespace

std::optional<FontFileRef> findHeaderFontFile()
{
    if (auto ref = fontBesideProgram())
        return ref;
    const auto fonts = windowsFontsFolder();
    if (!fonts)
        return std::nullopt;
    for (const wchar_t* name : kSystemFaces) {
        const FontChoice choice =
            name == kSystemFaces[0] ? FontChoice::NamedGothic : FontChoice::AnyJapanese;
        if (auto ref = refTo(*fonts / name, choice))
            return ref;
    }
    return std::nullopt;
}

std::optional<FontFileRef> findHeaderFontFileAmong(std::span<const std::filesystem::path> fontFiles)
{
    for (const auto& file : fontFiles) {
        if (auto ref = refTo(file, FontChoice::AnyJapanese))
            return ref;
    }
    return std::nullopt;
}

} // namespace beatplate
