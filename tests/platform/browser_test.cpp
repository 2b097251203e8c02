#include "platform/browser.h"
#include "support/temp_dir.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace beatplate {
namespace {

using namespace std::chrono_literals;

// PATH set to one folder for the test's length, so that the desktop's opener can be stood in for.
class PathForTest {
public:
    explicit PathForTest(const std::string& path)
        : m_old(std::getenv("PATH"))
    {
        ::setenv("PATH", path.c_str(), 1);
    }
    PathForTest(const PathForTest&) = delete;
    PathForTest& operator=(const PathForTest&) = delete;
    ~PathForTest() { ::setenv("PATH", m_old.c_str(), 1); }

private:
    std::string m_old;
};

TEST(Browser, HandsTheAddressToTheDesktopsOpenerOrSaysItIsMissing)
{
    const test::TempDir folder;
    const auto opened = folder / "opened";
    {
        std::ofstream opener(folder / "xdg-open");
        opener << "#!/bin/sh\nprintf '%s' \"$1\" > '" << opened.string() << ".part'\nmv '"
               << opened.string() << ".part' '" << opened.string() << "'\n";
    }
    std::filesystem::permissions(folder / "xdg-open", std::filesystem::perms::owner_all);
    const std::string url = "http://127.0.0.1:8932/?a=1&b='2'";
    {
        const PathForTest path(folder.path().string() + ":/usr/bin:/bin");
        EXPECT_EQ(openInBrowser(url), "");
    }
    // The opener runs in the background: the call does not wait for it, so the test waits for
    // its file.
    const auto deadline = std::chrono::steady_clock::now() + test::kPatience;
    while (!std::filesystem::exists(opened) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(50ms);
    EXPECT_EQ(test::readFile(opened), url);

    const PathForTest empty(folder.path().string() + "/none");
    EXPECT_EQ(openInBrowser(url), "xdg-open is not installed (Debian: xdg-utils)");
}

} // namespace
} // namespace beatplate
