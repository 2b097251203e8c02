#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace beatplate::test {
namespace {

namespace fs = std::filesystem;

void writeScript(const fs::path& path, const std::string& body)
{
    writeFile(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all);
}

// scripts/setup.sh run with arguments against stand-ins for the package tools: every package is
// missing, apt-get fails its first `failures` calls with the given message, and nothing is
// written under /etc/apt.
RunResult runSetup(const TempDir& tools, int failures, const std::string& message,
                   const std::string& arguments = "")
{
    writeScript(tools / "dpkg-query", "exit 1\n");
    writeScript(tools / "sudo", "exec \"$@\"\n");
    writeScript(tools / "sleep", "exit 0\n");
    writeScript(tools / "tee", "cat >/dev/null\n");
    writeScript(tools / "apt-get",
                "echo \"$*\" >> \"$TOOLS/calls\"\n"
                "if [ $(wc -l < \"$TOOLS/calls\") -le "
                    + std::to_string(failures) + " ]; then echo '" + message
                    + "' >&2; exit 100; fi\n");
    const std::string script = (fs::path(BEATPLATE_SOURCE_DIR) / "scripts" / "setup.sh").string();
    return runShell("TOOLS='" + tools.path().string() + "' PATH=\"$TOOLS:$PATH\" bash '" + script
                        + "' " + arguments,
                    tools.path());
}

TEST(SetupScript, WaitsForAnotherInstallToReleaseThePackageManagersLock)
{
    const char* lock = "E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by "
                       "process 4242 (apt-get)";
    const struct {
        const char* name;
        std::string message;
        int status;
        std::size_t calls;
    } cases[] = {
        { "the lock held for two tries", lock, 0, 4 },
        { "any other failure", "E: The repository is not signed.", 100, 1 },
    };
    for (const auto& [name, message, status, calls] : cases) {
        SCOPED_TRACE(name);
        const TempDir tools;
        const auto result = runSetup(tools, 2, message);
        EXPECT_EQ(result.status, status) << result.errors;
        const std::string made = readFile(tools / "calls");
        EXPECT_EQ(static_cast<std::size_t>(std::count(made.begin(), made.end(), '\n')), calls)
            << made;
        if (status == 0) {
            EXPECT_NE(made.find(" install -y "), std::string::npos) << made;
        }
    }
}

// The browser and its driver are the tests' alone, so that rendering the examples needs neither;
// the Windows set-up gives Wine a command on PATH.
TEST(SetupScript, InstallsWhatEachUseNeedsAndNoMore)
{
    const struct {
        const char* arguments;
        std::vector<std::string> wanted;
        std::vector<std::string> unwanted;
    } cases[] = {
        { "", { "cmake", "libpng-dev" }, { "chromium", "python3-selenium", "wine" } },
        { "--tests", { "chromium", "chromium-driver", "python3-selenium" }, { "wine" } },
        { "--windows", { "wine64", "wine" }, { "chromium" } },
    };
    for (const auto& [arguments, wanted, unwanted] : cases) {
        SCOPED_TRACE(arguments);
        const TempDir tools;
        const auto result = runSetup(tools, 0, "", arguments);
        ASSERT_EQ(result.status, 0) << result.errors;
        std::istringstream calls(readFile(tools / "calls"));
        std::set<std::string> installed;
        for (std::string line; std::getline(calls, line);) {
            std::istringstream words(line);
            if (line.find(" install ") != std::string::npos)
                installed.insert(std::istream_iterator<std::string>(words), {});
        }
        for (const auto& package : wanted)
            EXPECT_TRUE(installed.contains(package)) << package;
        for (const auto& package : unwanted)
            EXPECT_FALSE(installed.contains(package)) << package;
    }
}

// A mirror that lists a security update of libpng it does not serve yet: the version before it is
// built, and the cache is named after that one, so that a second run finds it.
TEST(WindowsDepsScript, NamesItsCacheAfterTheVersionsItBuilt)
{
    const TempDir tools;
    writeScript(
        tools / "dpkg-query",
        "case \"$*\" in *libpng*) echo 1.6.39-2+deb12u6 ;; *) echo 2.12.1+dfsg-5 ;; esac\n");
    writeScript(tools / "apt-cache",
                "case \"$*\" in\n"
                "  *libpng*) printf 'Version: 1.6.39-2+deb12u5\\nVersion: 1.6.39-2+deb12u6\\n' ;;\n"
                "  *) echo 'Version: 2.12.1+dfsg-5' ;;\n"
                "esac\n");
    writeScript(tools / "apt-get",
                "case \"$*\" in *deb12u6*) exit 100 ;; esac\nmkdir \"${3%%=*}-source\"\n");
    writeScript(tools / "x86_64-w64-mingw32-gcc-posix", "echo 12\n");
    writeScript(tools / "cmake", "exit 0\n");
    const std::string script =
        (fs::path(BEATPLATE_SOURCE_DIR) / "scripts" / "windows-deps.sh").string();
    const std::string command = "XDG_CACHE_HOME='" + (tools / "cache").string() + "' PATH='"
        + tools.path().string() + ":'\"$PATH\" bash '" + script + "'";
    const auto first = runShell(command, tools.path());
    ASSERT_EQ(first.status, 0) << first.errors;
    EXPECT_NE(first.errors.find("could not download libpng1.6 1.6.39-2+deb12u6"), std::string::npos)
        << first.errors;
    const fs::path prefix = first.output.substr(0, first.output.find('\n'));
    EXPECT_TRUE(prefix.filename().string().starts_with("png-1.6.39-2_deb12u5_freetype-")) << prefix;
    EXPECT_EQ(readFile(prefix / "versions.txt"),
              "libpng1.6 1.6.39-2+deb12u5\nfreetype 2.12.1+dfsg-5\n");
    const auto second = runShell(command, tools.path());
    EXPECT_EQ(second.output, first.output);
    EXPECT_EQ(second.errors.find("building"), std::string::npos) << second.errors;
}

} // namespace
} // namespace beatplate::test
