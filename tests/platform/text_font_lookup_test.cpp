#include "platform/text_font_lookup.h"
#include "support/text_pixels.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace beatplate {
namespace {

using test::kDejaVuSansFile;
using test::kIpaGothicFile;
using test::kIpaPGothicFile;

bool installed(const std::vector<std::filesystem::path>& files)
{
    for (const auto& file : files) {
        if (!std::filesystem::exists(file))
            return false;
    }
    return true;
}

TEST(TextFontLookup, FindsNoFaceAmongNoFonts)
{
    EXPECT_EQ(findHeaderFontFileAmong({}), std::nullopt);
    const std::vector<std::filesystem::path> missing{ "/nonexistent/font.ttf" };
    EXPECT_EQ(findHeaderFontFileAmong(missing), std::nullopt);
}

// fontconfig answers every request with its closest face, here one without any Japanese.
TEST(TextFontLookup, RejectsTheFallbackFaceWithoutJapanese)
{
    const std::vector<std::filesystem::path> files{ kDejaVuSansFile };
    if (!installed(files))
        GTEST_SKIP() << "DejaVu Sans is not installed";
    EXPECT_EQ(findHeaderFontFileAmong(files), std::nullopt);
}

TEST(TextFontLookup, PrefersIpaGothicOverOtherJapaneseFaces)
{
    const std::vector<std::filesystem::path> files{ kIpaPGothicFile, kDejaVuSansFile,
                                                    kIpaGothicFile };
    if (!installed({ kIpaGothicFile, kIpaPGothicFile }))
        GTEST_SKIP() << "fonts-ipafont-gothic is not installed";
    const auto found = findHeaderFontFileAmong(files);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->file, kIpaGothicFile);
    EXPECT_EQ(found->faceIndex, 0);
    EXPECT_EQ(found->choice, FontChoice::IpaGothic);
}

TEST(TextFontLookup, FallsBackToAnyFaceForJapanese)
{
    const std::vector<std::filesystem::path> files{ kDejaVuSansFile, kIpaPGothicFile };
    if (!installed({ kIpaPGothicFile }))
        GTEST_SKIP() << "fonts-ipafont-gothic is not installed";
    const auto found = findHeaderFontFileAmong(files);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->file, kIpaPGothicFile);
    EXPECT_EQ(found->family, "IPAPGothic");
    EXPECT_EQ(found->choice, FontChoice::AnyJapanese);
}

TEST(TextFontLookup, FindsAnInstalledJapaneseFaceOnTheSystem)
{
    if (!installed({ kIpaGothicFile }))
        GTEST_SKIP() << "fonts-ipafont-gothic is not installed";
    const auto found = findHeaderFontFile();
    ASSERT_TRUE(found.has_value());
    EXPECT_TRUE(std::filesystem::exists(found->file)) << found->file;
    EXPECT_NE(found->choice, FontChoice::NamedGothic) << "no such face is installed here";
}

} // namespace
} // namespace beatplate
