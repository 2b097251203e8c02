#include "load/header_font_choice.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace beatplate {
namespace {

TEST(HeaderFontChoice, TakesTheNamedFileThenAFontBesideTheProgramThenTheSystemsLookup)
{
    test::TempDir beside;
    std::filesystem::create_directory(beside / "a.ttf"); // no regular file
    for (const char* name : { "c.ttc", "b.OTF", "a.ttf.txt", "pic.png" })
        test::writeFile(beside / name, "");
    const auto found = fontFileIn(beside.path());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->file, beside / "b.OTF");
    EXPECT_EQ(found->family, "b");
    EXPECT_EQ(findChosenFontFile({ std::nullopt, beside.path() }), found);

    const auto named = findChosenFontFile({ "fonts/named.ttf", beside.path() });
    ASSERT_TRUE(named);
    EXPECT_EQ(named->file, "fonts/named.ttf");
    EXPECT_EQ(named->faceIndex, 0);

    test::TempDir empty;
    EXPECT_EQ(fontFileIn(empty.path()), std::nullopt);
    EXPECT_EQ(fontFileIn(empty / "missing"), std::nullopt);
    EXPECT_EQ(findChosenFontFile({ std::nullopt, empty.path() }), findHeaderFontFile());
    EXPECT_EQ(findChosenFontFile({}), findHeaderFontFile());
}

} // namespace
} // namespace beatplate
