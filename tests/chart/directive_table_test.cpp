#include "chart/chart_reading.h"
#include "chart/directive_table.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

namespace beatplate {
namespace {

using Json = nlohmann::json;

std::filesystem::path editorFile(const char* name)
{
    return std::filesystem::path(BEATPLATE_SOURCE_DIR) / "editors" / name;
}

// "title|difficulty|...": the names of the table as a pattern lists them.
std::string tableNames(const std::string& separator)
{
    std::string names;
    for (const Directive& directive : directives())
        names += (names.empty() ? "" : separator) + std::string(directive.name);
    return names;
}

// What the first match of pattern in text captures; empty when nothing matches.
std::string captured(const std::string& text, const std::string& pattern)
{
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : std::string();
}

TEST(DirectiveTable, EveryEditorNamesTheDirectivesOfTheReader)
{
    const std::string alternation = tableNames("|");
    const Json package = Json::parse(test::readFile(editorFile("vscode/package.json")));
    EXPECT_EQ(captured(package["contributes"]["languages"][0]["firstLine"], R"(#\(([^)]*)\))"),
              alternation);
    EXPECT_EQ(captured(test::readFile(editorFile("vscode/src/extension.ts")), R"(#\(([^)]*)\))"),
              alternation);
    const Json grammar =
        Json::parse(test::readFile(editorFile("vscode/syntaxes/beatplate.tmLanguage.json")));
    EXPECT_EQ(captured(grammar["repository"]["directive"]["patterns"][0]["match"],
                       R"(\(#\)\\s\*\(([^)]*)\))"),
              alternation);
    // Blanks may stand between the mark and the name in a chart, not in a first line.
    EXPECT_EQ(
        captured(test::readFile(editorFile("vim/ftdetect/beatplate.vim")), R"(#\\\(([^)]*)\\\))"),
        tableNames("\\|"));
    EXPECT_EQ(captured(test::readFile(editorFile("vim/syntax/beatplate.vim")),
                       R"(#\\s\*\\\(([^)]*)\\\))"),
              tableNames("\\|"));
    // Comments and the folding of gogo sections, by the reader's marks and names.
    const Json language =
        Json::parse(test::readFile(editorFile("vscode/language-configuration.json")));
    EXPECT_EQ(language["comments"]["lineComment"], std::string(1, static_cast<char>(kCommentMark)));
    const auto& markers = language["folding"]["markers"];
    EXPECT_EQ(captured(markers["start"], "#([a-z]+)"), "begingogo");
    EXPECT_EQ(captured(markers["end"], "#([a-z]+)"), "endgogo");
    EXPECT_NE(findDirective(u"begingogo"), nullptr);
    EXPECT_NE(findDirective(u"endgogo"), nullptr);
}

TEST(DirectiveTable, TheReaderReadsEveryDirectiveOfTheTable)
{
    for (const Directive& directive : directives()) {
        SCOPED_TRACE(std::string(directive.name));
        // Its first known value, or a number for every argument the shape names.
        std::string line = "#" + std::string(directive.name) + " ";
        line += directive.values.empty() ? "4 4" : std::string(directive.values.front());
        // A section is opened first, for the directive that ends it.
        const ChartReading reading = readChart("#begingogo\n" + line + "\noooo\n");
        EXPECT_FALSE(reading.hasErrors()) << reading.diagnostics.front().text();
        EXPECT_EQ(findDirective(std::u16string(directive.name.begin(), directive.name.end())),
                  &directive);
    }
}

TEST(DirectiveTable, SuggestsTheNearestNameOnlyWhenItIsClose)
{
    const struct {
        std::u16string word;
        const char* meant; // null: no suggestion
    } cases[] = {
        { u"bmp", "bpm" },
        { u"BPM", "bpm" },
        { u"titel", "title" },
        { u"h", "hs" },
        { u"begingog", "begingogo" },
        { u"betchar", "beatchar" },
        { u"bpm150", nullptr },
        { u"gogo", nullptr },
        { u"tempo", nullptr },
        { u"", nullptr },
        { u"xx", nullptr },
    };
    for (const auto& [word, meant] : cases) {
        SCOPED_TRACE(std::string(word.begin(), word.end()));
        const Directive* const found = nearestDirective(word);
        EXPECT_EQ(found != nullptr ? std::string(found->name) : "none",
                  meant != nullptr ? meant : "none");
    }
}

} // namespace
} // namespace beatplate
