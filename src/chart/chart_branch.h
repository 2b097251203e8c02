#pragma once

#include <cstddef>
#include <cstdint>

namespace beatplate {

// The branch a note line fills: none while nothing is branched, else one of the three lanes,
// each a bit of a branch mask.
enum class Branch : std::int32_t {
    None = 0,
    First = 1,
    Second = 2,
    Third = 4,
};

// The branches a "branch" directive selected: an OR of their bits; None means no branching.
enum class BranchMask : std::int32_t {
    None = 0,
};

// The numbers positions and measures store.
[[nodiscard]] constexpr std::int32_t bitsOf(Branch branch)
{
    return static_cast<std::int32_t>(branch);
}
[[nodiscard]] constexpr std::int32_t bitsOf(BranchMask mask)
{
    return static_cast<std::int32_t>(mask);
}

[[nodiscard]] constexpr BranchMask operator|(BranchMask mask, Branch branch)
{
    return static_cast<BranchMask>(bitsOf(mask) | bitsOf(branch));
}

[[nodiscard]] constexpr bool contains(BranchMask mask, Branch branch)
{
    return (bitsOf(mask) & bitsOf(branch)) != 0;
}

// The branches in their order on the page, None first: an index for what each keeps.
inline constexpr Branch kBranches[] = { Branch::None, Branch::First, Branch::Second,
                                        Branch::Third };
[[nodiscard]] constexpr std::size_t indexOf(Branch branch)
{
    switch (branch) {
    case Branch::First:
        return 1;
    case Branch::Second:
        return 2;
    case Branch::Third:
        return 3;
    case Branch::None:
        break;
    }
    return 0;
}

} // namespace beatplate
