#include "support/png_file.h"
#include "support/test_sheet.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <httplib.h>
#include <set>
#include <sys/stat.h>

namespace beatplate::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = BEATPLATE_SOURCE_DIR;
const fs::path kBuildDir = BEATPLATE_BUILD_DIR;

// Installs the build tree into a fresh prefix, as a package build does with /usr.
class InstalledTree {
public:
    InstalledTree()
    {
        const auto result =
            runProgram(BEATPLATE_CMAKE_COMMAND,
                       { "--install", kBuildDir.string(), "--prefix", m_prefix.path().string() },
                       m_prefix.path());
        EXPECT_EQ(result.status, 0) << result.output << result.errors;
    }

    [[nodiscard]] fs::path operator/(std::string_view name) const { return m_prefix / name; }
    [[nodiscard]] const fs::path& prefix() const { return m_prefix.path(); }

private:
    TempDir m_prefix;
};

// Every regular file below the directory, by its path relative to it.
std::set<std::string> filesBelow(const fs::path& directory)
{
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
        if (!entry.is_directory())
            files.insert(fs::relative(entry.path(), directory).string());
    }
    return files;
}

unsigned permissions(const fs::path& path)
{
    struct stat status { };
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777u;
}

// The text of a gzip file, after checking that it was made the way Debian asks: best
// compression and no file name or time stamp in the header.
std::string gunzip(const fs::path& path)
{
    const std::string bytes = readFile(path);
    EXPECT_GE(bytes.size(), 18u) << path;
    if (bytes.size() < 18)
        return {};
    EXPECT_EQ(bytes.substr(0, 3), "\x1f\x8b\x08") << path;
    EXPECT_EQ(bytes[3] & 0x08, 0) << path << ": the header names the file";
    EXPECT_EQ(bytes.substr(4, 4), std::string(4, '\0')) << path << ": the header has a time";
    EXPECT_EQ(bytes[8], '\x02') << path << ": not compressed at the best level";
    const auto result = runProgram("/bin/gzip", { "-dc", path.string() }, path.parent_path());
    EXPECT_EQ(result.status, 0) << result.errors;
    return result.output;
}

// Copies the chart into a directory of its own and draws it with the given program.
DecodedPng drawChart(const fs::path& program, const fs::path& chart, const fs::path& directory)
{
    fs::copy_file(chart, directory / chart.filename());
    const auto result = runProgram(program, { chart.filename().string() }, directory);
    EXPECT_EQ(result.status, 0) << result.errors;
    return readPng(directory / chart.filename().replace_extension(".png"));
}

TEST(Installation, PutsEveryFileWhereDebianPutsIt)
{
    const InstalledTree tree;
    EXPECT_EQ(filesBelow(tree.prefix()),
              (std::set<std::string>{
                  "bin/beatplate", "bin/beatplate-chart", "share/applications/beatplate.desktop",
                  "share/beatplate/pic.png", "share/beatplate/web/app.js",
                  "share/beatplate/web/index.html", "share/beatplate/web/player.js",
                  "share/beatplate/web/served.js", "share/beatplate/web/standalone.js",
                  "share/beatplate/web/style.css", "share/doc/beatplate/changelog.Debian.gz",
                  "share/doc/beatplate/copyright", "share/lintian/overrides/beatplate",
                  "share/man/man1/beatplate-chart.1.gz", "share/man/man1/beatplate.1.gz" }));
    EXPECT_EQ(permissions(tree / "bin/beatplate"), 0755u);
    EXPECT_EQ(permissions(tree / "bin/beatplate-chart"), 0755u);
    EXPECT_EQ(permissions(tree / "share/beatplate/pic.png"), 0644u);
    EXPECT_EQ(permissions(tree / "share/beatplate"), 0755u);
    EXPECT_EQ(readFile(tree / "share/beatplate/pic.png"), readFile(kBuildDir / "pic.png"));
    EXPECT_EQ(readFile(tree / "share/beatplate/web/app.js"), readFile(kSourceDir / "web/app.js"));
    for (const auto* page : { "beatplate.1", "beatplate-chart.1" }) {
        SCOPED_TRACE(page);
        EXPECT_EQ(gunzip(tree / "share/man/man1" / (std::string(page) + ".gz")),
                  readFile(kSourceDir / "man" / page));
    }
    EXPECT_EQ(gunzip(tree / "share/doc/beatplate/changelog.Debian.gz"),
              readFile(kSourceDir / "packaging/changelog"));
}

TEST(Installation, CopyrightFileCarriesTheLicenceText)
{
    const InstalledTree tree;
    const std::string copyright = readFile(tree / "share/doc/beatplate/copyright");
    EXPECT_TRUE(copyright.starts_with(
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
    EXPECT_NE(copyright.find("\nLicense: MIT\n Permission is hereby granted, free of charge,"),
              std::string::npos);
    // Paragraphs of the licence stay apart, and nothing follows its last line.
    EXPECT_NE(copyright.find("conditions:\n .\n The above copyright notice"), std::string::npos);
    EXPECT_TRUE(copyright.ends_with("\n SOFTWARE.\n"));
}

TEST(Installation, InstalledProgramDrawsWithTheInstalledSheet)
{
    const InstalledTree tree;
    ASSERT_FALSE(fs::exists(tree / "bin/pic.png"));
    const fs::path chart = kSourceDir / "examples/example.txt";
    const TempDir installedRun;
    const TempDir buildRun;
    const DecodedPng installed = drawChart(tree / "bin/beatplate", chart, installedRun.path());
    const DecodedPng built = drawChart(BEATPLATE_BINARY_PATH, chart, buildRun.path());
    EXPECT_EQ(installed.chunks, built.chunks);
    EXPECT_EQ(installed.pixels, built.pixels);

    // A sheet of the user's own in the installed place replaces ours, so the match above came
    // from the sheet found there; without one the built-in sheet draws the same score.
    writeTestSheet(tree / "share/beatplate/pic.png");
    const TempDir skinRun;
    const DecodedPng skin = drawChart(tree / "bin/beatplate", chart, skinRun.path());
    ASSERT_EQ(skin.height, installed.height);
    EXPECT_NE(skin.pixels, installed.pixels);
    fs::remove(tree / "share/beatplate/pic.png");
    const TempDir bareRun;
    EXPECT_EQ(drawChart(tree / "bin/beatplate", chart, bareRun.path()).pixels, installed.pixels);
}

TEST(Installation, DesktopEntryPassesValidation)
{
    const InstalledTree tree;
    const fs::path entry = tree / "share/applications/beatplate.desktop";
    const auto result = runProgram("/usr/bin/desktop-file-validate", { entry.string() }, ".");
    EXPECT_EQ(result.status, 0) << result.output << result.errors;
    EXPECT_EQ(result.output, ""); // no warnings either
    const std::string text = readFile(entry);
    // Launchers close the terminal at exit: the run must wait for Enter after a message.
    EXPECT_NE(text.find("\nExec=beatplate --pause %F\n"), std::string::npos);
    EXPECT_NE(text.find("\nTerminal=true\n"), std::string::npos);
}

TEST(Installation, InstalledChartToolGivesTheChartBack)
{
    const InstalledTree tree;
    const TempDir run;
    const fs::path chart = kSourceDir / "examples/example.txt";
    (void)drawChart(tree / "bin/beatplate", chart, run.path());
    const auto result =
        runProgram(tree / "bin/beatplate-chart", { "example.png", "-" }, run.path());
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(result.output, readFile(chart));
}

// The page served: the installed one, which a user may change, else the one built in.
TEST(Installation, InstalledServerServesTheInstalledPage)
{
    const InstalledTree tree;
    const std::string marker = "<!-- changed after installing -->";
    writeFile(tree / "share/beatplate/web/index.html",
              readFile(tree / "share/beatplate/web/index.html") + marker);
    for (const bool installedPage : { true, false }) {
        if (!installedPage)
            fs::remove(tree / "share/beatplate/web/style.css");
        ChildProcess server(tree / "bin/beatplate", { "serve", "--port=0" }, tree.prefix(),
                            StandardInput::Closed);
        const auto errors = server.readErrorsUntil("/ (", kPatience);
        const auto port = errors.substr(errors.rfind(':') + 1);
        httplib::Client client("127.0.0.1", std::stoi(port));
        client.set_read_timeout(kPatience);
        const auto page = client.Get("/");
        ASSERT_TRUE(page) << errors;
        EXPECT_EQ(page->body.ends_with(marker), installedPage);
        EXPECT_EQ(page->body,
                  readFile(kSourceDir / "web/index.html") + (installedPage ? marker : ""));
    }
}

} // namespace
} // namespace beatplate::test
