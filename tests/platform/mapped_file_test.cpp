#include "platform/mapped_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <string>

namespace beatplate {
namespace {

namespace fs = std::filesystem;

TEST(MappedFile, HoldsEveryByteOfARegularFileAndRefusesAnythingElse)
{
    const test::TempDir dir;
    std::string bytes(70'000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    test::writeFile(dir / "font.ttf", bytes);
    test::writeFile(dir / "empty.ttf", "");
    fs::create_directory(dir / "folder");

    auto mapped = MappedFile::open(dir / "font.ttf");
    ASSERT_TRUE(mapped.has_value());
    // Moved, the mapping stays whole and is released once.
    const MappedFile kept = std::move(*mapped);
    mapped.reset();
    const auto view = kept.bytes();
    EXPECT_EQ(std::string(view.begin(), view.end()), bytes);

    struct Refusal {
        const char* name;
        bool checksErrno;
        int error;
    };
    // Windows says a folder cannot be opened as a file in words of its own.
    const std::array refusals{ Refusal{ "missing.ttf", true, ENOENT },
                               Refusal{ "empty.ttf", true, EINVAL },
                               Refusal{ "folder", false, 0 } };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        errno = 0;
        EXPECT_FALSE(MappedFile::open(dir / refusal.name).has_value());
        if (refusal.checksErrno) {
            EXPECT_EQ(errno, refusal.error);
        } else {
            EXPECT_NE(errno, 0);
        }
    }
}

} // namespace
} // namespace beatplate
