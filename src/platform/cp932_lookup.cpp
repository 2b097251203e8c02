#include "platform/cp932_table.h"

#include <algorithm>
#include <vector>

namespace beatplate {

namespace {

const Cp932Pair* findPair(const Cp932Pair* first, const Cp932Pair* last, std::uint16_t from)
{
    const Cp932Pair* found =
        std::lower_bound(first, last, from,
                         [](const Cp932Pair& pair, std::uint16_t key) { return pair.from < key; });
    return found != last && found->from == from ? found : nullptr;
}

// The inverse of the decoding, the first code of each unit kept, sorted by unit.
const std::vector<Cp932Pair>& encodingTable()
{
    static const std::vector<Cp932Pair> table = [] {
        std::vector<Cp932Pair> pairs;
        pairs.reserve(kCp932Decoding.size());
        for (const Cp932Pair& pair : kCp932Decoding)
            pairs.push_back({ pair.to, pair.from });
        std::stable_sort(pairs.begin(), pairs.end(),
                         [](const Cp932Pair& a, const Cp932Pair& b) { return a.from < b.from; });
        pairs.erase(
            std::unique(pairs.begin(), pairs.end(),
                        [](const Cp932Pair& a, const Cp932Pair& b) { return a.from == b.from; }),
            pairs.end());
        return pairs;
    }();
    return table;
}

} // namespace

bool isCp932LeadByte(unsigned char byte)
{
    return std::binary_search(kCp932LeadBytes.begin(), kCp932LeadBytes.end(), byte);
}

std::optional<char16_t> cp932ToUnit(std::uint16_t code)
{
    const Cp932Pair* pair =
        findPair(kCp932Decoding.data(), kCp932Decoding.data() + kCp932Decoding.size(), code);
    if (pair == nullptr)
        return std::nullopt;
    return static_cast<char16_t>(pair->to);
}

std::optional<std::uint16_t> unitToCp932(char16_t unit)
{
    const auto key = static_cast<std::uint16_t>(unit);
    const auto& exceptions = kCp932EncodingExceptions;
    if (const Cp932Pair* pair =
            findPair(exceptions.data(), exceptions.data() + exceptions.size(), key))
        return pair->to == 0xFFFF ? std::nullopt : std::optional<std::uint16_t>(pair->to);
    const auto& table = encodingTable();
    const Cp932Pair* pair = findPair(table.data(), table.data() + table.size(), key);
    if (pair == nullptr)
        return std::nullopt;
    return pair->to;
}

} // namespace beatplate
