#include "chart/chart_text_form.h"

#include <gtest/gtest.h>

namespace beatplate::test {
namespace {

// The text "#title 譜\noo\n" as each form writes it.
struct FormCase {
    const char* name;
    std::string bytes;
    ChartTextForm form;
};

std::vector<FormCase> formCases()
{
    using namespace std::string_literals;
    return {
        { "code page 932", "#title \x95\x88\noo\n", { ChartEncoding::Cp932, false, false } },
        { "code page 932, CR LF",
          "#title \x95\x88\r\noo\r\n",
          { ChartEncoding::Cp932, false, true } },
        { "UTF-8", "#title \xE8\xAD\x9C\noo\n", { ChartEncoding::Utf8, false, false } },
        { "UTF-8 with a mark",
          "\xEF\xBB\xBF#title \xE8\xAD\x9C\r\noo\r\n",
          { ChartEncoding::Utf8, true, true } },
        { "UTF-16LE",
          "\xFF\xFE#\0t\0i\0t\0l\0e\0 \0\x5C\x8B\r\0\n\0o\0o\0\r\0\n\0"s,
          { ChartEncoding::Utf16Le, true, true } },
        { "UTF-16BE",
          "\xFE\xFF\0#\0t\0i\0t\0l\0e\0 \x8B\x5C\0\n\0o\0o\0\n"s,
          { ChartEncoding::Utf16Be, true, false } },
    };
}

TEST(ChartTextForm, WritesAnEditedTextBackAsTheFileWasWritten)
{
    for (const FormCase& c : formCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(textFormOf(c.bytes), c.form);
        const auto decoded = decodeChartFile(c.bytes);
        EXPECT_EQ(decoded.form, c.form);
        EXPECT_EQ(decoded.text, "#title 譜\noo\n");
        // Whatever line ends the page sends, the file keeps its own.
        for (const char* text : { "#title 譜\noo\n", "#title 譜\r\noo\r\n" }) {
            const EncodedChart encoded = encodeChartText(text, c.form);
            EXPECT_EQ(encoded.bytes, c.bytes);
            EXPECT_FALSE(encoded.unwritableLine);
        }
    }
}

TEST(ChartTextForm, NamesTheFirstLineItsEncodingCannotHold)
{
    const ChartTextForm cp932{ ChartEncoding::Cp932, false, false };
    EXPECT_EQ(encodeChartText("oo\n#title 🎵\n#title ♪\n", cp932).unwritableLine, 2);
    EXPECT_EQ(encodeChartText("oo\n#title ♪\n", cp932).unwritableLine, std::nullopt);
    EXPECT_TRUE(encodeChartText("o\xC3(\n", cp932).invalidText);
    EXPECT_EQ(decodeChartFile("oo\n\xFF\xFF\n").text, std::nullopt);
}

} // namespace
} // namespace beatplate::test
