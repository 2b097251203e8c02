#include "base/part_label.h"

#include <gtest/gtest.h>

namespace beatplate {
namespace {

TEST(PartLabel, ReadsOnlyTheLabelsItWrites)
{
    const struct {
        std::string_view label;
        std::optional<PartNumber> number;
    } cases[] = {
        { "2/3", PartNumber{ 2, 3 } }, { "12/140", PartNumber{ 12, 140 } },
        { "0/3", std::nullopt },       { "4/3", std::nullopt },
        { "02/3", std::nullopt },      { "+2/3", std::nullopt },
        { "2/3 ", std::nullopt },      { "2", std::nullopt },
        { "", std::nullopt },          { "99999999999999999999999/3", std::nullopt },
    };
    for (const auto& [label, number] : cases) {
        SCOPED_TRACE(label);
        EXPECT_EQ(readPartLabel(label), number);
        if (number) {
            EXPECT_EQ(partLabel(*number), label);
        }
    }
}

} // namespace
} // namespace beatplate
