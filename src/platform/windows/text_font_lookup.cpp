#include "platform/text_font_lookup.h"

#include <array>
#include <string>
#include <windows.h>

namespace beatplate {

namespace {

// The Japanese gothic faces Windows ships, best first; each file's first face is the gothic.
constexpr std::array kSystemFaces{ L"msgothic.ttc", L"YuGothB.ttc", L"YuGothM.ttc",
                                   L"meiryob.ttc",  L"meiryo.ttc",  L"BIZ-UDGothicB.ttc" };

std::optional<FontFileRef> refTo(const std::filesystem::path& file, FontChoice choice)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    return FontFileRef{ file, 0, file.stem().string(), choice };
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
