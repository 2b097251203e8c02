#include "chart/note_set.h"

#include <algorithm>
#include <iterator>

namespace beatplate {

namespace {

bool before(const ChartNote& note, const ChartPosition& position)
{
    return note.position < position;
}

} // namespace

NoteSet::Iterator& NoteSet::Iterator::operator++()
{
    if (++m_offset == (*m_blocks)[m_block].size()) {
        ++m_block;
        m_offset = 0;
    }
    return *this;
}

NoteSet::Iterator& NoteSet::Iterator::operator--()
{
    if (m_offset == 0) {
        --m_block;
        m_offset = (*m_blocks)[m_block].size();
    }
    --m_offset;
    return *this;
}

NoteSet::Block NoteSet::newBlock()
{
    Block block;
    block.reserve(kBlockCapacity);
    return block;
}

NoteSet::Place NoteSet::locate(const ChartPosition& position) const
{
    // The first block whose last note is not before position, or else the last block.
    const auto found =
        std::partition_point(m_blocks.begin(), m_blocks.end(),
                             [&](const Block& block) { return before(block.back(), position); });
    const auto at =
        std::min(static_cast<std::size_t>(found - m_blocks.begin()), m_blocks.size() - 1);
    const Block& block = m_blocks[at];
    const auto place = std::lower_bound(block.begin(), block.end(), position, before);
    return { at, static_cast<std::size_t>(place - block.begin()) };
}

NoteSet::Place NoteSet::placeOfNew(const ChartPosition& position) const
{
    const Block& last = m_blocks.back();
    if (!(last.front().position < position))
        return locate(position);
    // Every block before the last ends before its first note, so the search would end here.
    if (last.back().position < position)
        return { m_blocks.size() - 1, last.size() };
    const auto place = std::lower_bound(last.begin(), last.end(), position, before);
    return { m_blocks.size() - 1, static_cast<std::size_t>(place - last.begin()) };
}

bool NoteSet::holds(const Place& place, const ChartPosition& position) const
{
    const Block& block = m_blocks[place.block];
    return place.offset < block.size() && block[place.offset].position == position;
}

bool NoteSet::insert(const ChartNote& note)
{
    if (m_blocks.empty()) {
        m_blocks.push_back(newBlock());
        m_blocks.back().push_back(note);
        m_size = 1;
        return true;
    }
    const Place place = placeOfNew(note.position);
    if (holds(place, note.position))
        return false;
    const std::size_t at = place.block;
    Block* block = &m_blocks[at];
    std::size_t offset = place.offset;
    // The block before takes what it has room for: between two blocks the note goes to the
    // end of the first, and a full block hands its first notes back, so that notes written
    // among others (a branch beside the one written first) fill blocks rather than split them.
    if (at > 0 && m_blocks[at - 1].size() < kBlockCapacity) {
        Block& previous = m_blocks[at - 1];
        if (offset == 0) {
            previous.push_back(note);
            ++m_size;
            return true;
        }
        if (block->size() == kBlockCapacity) {
            const auto moved =
                static_cast<std::ptrdiff_t>(std::min(kBlockCapacity - previous.size(), offset));
            previous.insert(previous.end(), block->begin(), block->begin() + moved);
            block->erase(block->begin(), block->begin() + moved);
            offset -= static_cast<std::size_t>(moved);
        }
    }
    if (block->size() == kBlockCapacity) {
        // Notes come mostly in order: past the end a new block starts, so blocks fill up.
        const bool atEnd = offset == block->size();
        Block next = newBlock();
        const std::size_t keep = atEnd ? kBlockCapacity : kBlockCapacity / 2;
        next.insert(next.end(),
                    std::make_move_iterator(block->begin() + static_cast<std::ptrdiff_t>(keep)),
                    std::make_move_iterator(block->end()));
        block->resize(keep);
        m_blocks.insert(m_blocks.begin() + static_cast<std::ptrdiff_t>(at) + 1, std::move(next));
        block = &m_blocks[at];
        if (offset >= keep) {
            block = &m_blocks[at + 1];
            offset -= keep;
        }
    }
    block->insert(block->begin() + static_cast<std::ptrdiff_t>(offset), note);
    ++m_size;
    return true;
}

std::size_t NoteSet::erase(const ChartPosition& position)
{
    if (m_blocks.empty())
        return 0;
    const Place place = locate(position);
    if (!holds(place, position))
        return 0;
    Block& block = m_blocks[place.block];
    block.erase(block.begin() + static_cast<std::ptrdiff_t>(place.offset));
    if (block.empty())
        m_blocks.erase(m_blocks.begin() + static_cast<std::ptrdiff_t>(place.block));
    --m_size;
    return 1;
}

void NoteSet::shrinkToFit()
{
    // Each block takes notes from the blocks after it until it is full; the emptied ones go.
    std::size_t source = 0;
    for (std::size_t target = 0; target < m_blocks.size(); ++target) {
        Block& filling = m_blocks[target];
        source = std::max(source, target + 1);
        while (filling.size() < kBlockCapacity && source < m_blocks.size()) {
            Block& from = m_blocks[source];
            const auto taken =
                static_cast<std::ptrdiff_t>(std::min(kBlockCapacity - filling.size(), from.size()));
            filling.insert(filling.end(), from.begin(), from.begin() + taken);
            from.erase(from.begin(), from.begin() + taken);
            if (from.empty())
                ++source;
        }
    }
    std::erase_if(m_blocks, [](const Block& block) { return block.empty(); });
}

NoteSet::const_iterator NoteSet::lowerBound(const ChartPosition& position) const
{
    if (m_blocks.empty())
        return end();
    const Place place = locate(position);
    // Past the last block's last note: the end.
    if (place.offset == m_blocks[place.block].size())
        return end();
    return { &m_blocks, place.block, place.offset };
}

std::size_t NoteSet::count(const ChartNote& note) const
{
    return !m_blocks.empty() && holds(locate(note.position), note.position) ? 1 : 0;
}

bool NoteSet::operator==(const NoteSet& other) const
{
    return m_size == other.m_size && std::equal(begin(), end(), other.begin());
}

} // namespace beatplate
