#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace beatplate::test {
namespace {

namespace fs = std::filesystem;

void writeScript(const fs::path& path, const std::string& body)
{
    writeFile(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all);
}

// scripts/setup.sh run against stand-ins for the package tools: every package is missing, and
// apt-get fails its first `failures` calls with the given message.
RunResult runSetup(const TempDir& tools, int failures, const std::string& message)
{
    writeScript(tools / "dpkg-query", "exit 1\n");
    writeScript(tools / "sudo", "exec \"$@\"\n");
    writeScript(tools / "sleep", "exit 0\n");
    writeScript(tools / "apt-get",
                "echo \"$*\" >> \"$TOOLS/calls\"\n"
                "if [ $(wc -l < \"$TOOLS/calls\") -le "
                    + std::to_string(failures) + " ]; then echo '" + message
                    + "' >&2; exit 100; fi\n");
    const std::string script = (fs::path(BEATPLATE_SOURCE_DIR) / "scripts" / "setup.sh").string();
    return runShell("TOOLS='" + tools.path().string() + "' PATH=\"$TOOLS:$PATH\" bash '" + script
                        + "'",
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

} // namespace
} // namespace beatplate::test
