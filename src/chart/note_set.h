#pragma once

#include "chart/chart_note.h"

#include <cstddef>
#include <iterator>
#include <vector>

namespace beatplate {

// An ordered set of notes keyed on their position alone: inserting at a position already held
// leaves the set unchanged, so the first note written there wins. The notes lie in sorted
// blocks of contiguous records, so that a note costs its own 24 bytes rather than a tree
// node's 56 and the longest charts stay small; an insert moves at most one block's notes.
class NoteSet {
public:
    static constexpr std::size_t kBlockCapacity = 512;

    // Bidirectional; valid until the set is next changed.
    class Iterator {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = ChartNote;
        using difference_type = std::ptrdiff_t;
        using pointer = const ChartNote*;
        using reference = const ChartNote&;

        Iterator() = default;

        reference operator*() const { return (*m_blocks)[m_block][m_offset]; }
        pointer operator->() const { return &**this; }
        Iterator& operator++();
        Iterator operator++(int)
        {
            Iterator before = *this;
            ++*this;
            return before;
        }
        Iterator& operator--();
        Iterator operator--(int)
        {
            Iterator before = *this;
            --*this;
            return before;
        }
        bool operator==(const Iterator& other) const
        {
            return m_block == other.m_block && m_offset == other.m_offset;
        }

    private:
        friend class NoteSet;
        Iterator(const std::vector<std::vector<ChartNote>>* blocks, std::size_t block,
                 std::size_t offset)
            : m_blocks(blocks)
            , m_block(block)
            , m_offset(offset)
        {
        }

        const std::vector<std::vector<ChartNote>>* m_blocks = nullptr;
        std::size_t m_block = 0;
        std::size_t m_offset = 0;
    };
    using const_iterator = Iterator;
    using iterator = Iterator;
    using const_reverse_iterator = std::reverse_iterator<const_iterator>;

    // False, and the set unchanged, when a note already holds the position.
    bool insert(const ChartNote& note);
    // Removes the note at the position; the number removed, 0 or 1.
    std::size_t erase(const ChartPosition& position);
    // Packs the blocks full, giving back what splits left empty; for a set that is done growing.
    void shrinkToFit();

    [[nodiscard]] const_iterator lowerBound(const ChartPosition& position) const;
    [[nodiscard]] std::size_t count(const ChartNote& note) const;

    [[nodiscard]] const_iterator begin() const { return { &m_blocks, 0, 0 }; }
    [[nodiscard]] const_iterator end() const { return { &m_blocks, m_blocks.size(), 0 }; }
    [[nodiscard]] const_reverse_iterator rbegin() const { return const_reverse_iterator(end()); }
    [[nodiscard]] const_reverse_iterator rend() const { return const_reverse_iterator(begin()); }
    [[nodiscard]] std::size_t size() const { return m_size; }
    [[nodiscard]] bool empty() const { return m_size == 0; }
    // Blocks held, for measuring how full they are.
    [[nodiscard]] std::size_t blockCount() const { return m_blocks.size(); }

    bool operator==(const NoteSet& other) const;

private:
    using Block = std::vector<ChartNote>;

    // Where a note at position is or would go: in the first block whose last note is not
    // before it (else the last block), at the first note not before it. The set is not empty.
    struct Place {
        std::size_t block = 0;
        std::size_t offset = 0;
    };
    [[nodiscard]] Place locate(const ChartPosition& position) const;
    // The same, for a note being written: notes come mostly in chart order, so one that goes in
    // the last block is placed there without a search through the others.
    [[nodiscard]] Place placeOfNew(const ChartPosition& position) const;
    [[nodiscard]] bool holds(const Place& place, const ChartPosition& position) const;
    [[nodiscard]] static Block newBlock();

    std::vector<Block> m_blocks; // none empty; each sorted and before the next
    std::size_t m_size = 0;
};

} // namespace beatplate
