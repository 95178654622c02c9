#include "pstread/ndb/block.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "pstread/ndb/database.h"
#include "pstread/ndb/hex.h"

namespace pstread {
namespace {

[[noreturn]] void throw_read_past_end(const data_block& block, std::uint64_t offset) {
    throw database_corrupt("read at offset " + to_hex(offset) + " past the " +
                           std::to_string(block.get_total_size()) + " bytes of block " +
                           to_hex(block.get_id()));
}

// A page number comes from the file (a heap id names its page), so asking
// for a page the block does not have is a fault of the file.
[[noreturn]] void throw_missing_page(const data_block& block, std::size_t page,
                                     std::size_t page_count) {
    throw database_corrupt("page " + std::to_string(page) + " of block " + to_hex(block.get_id()) +
                           " asked for, but it has " + std::to_string(page_count));
}

}  // namespace

std::size_t external_block::read_raw(std::span<std::uint8_t> destination, std::uint64_t offset) {
    if (offset > m_buffer.size()) {
        throw_read_past_end(*this, offset);
    }
    const std::size_t count = std::min<std::uint64_t>(destination.size(), m_buffer.size() - offset);
    if (count > 0) {
        std::memcpy(destination.data(), m_buffer.data() + offset, count);
    }
    return count;
}

std::shared_ptr<external_block> external_block::get_page(std::size_t page) {
    if (page > 0) {
        throw_missing_page(*this, page, 1);
    }
    return shared_from_this();
}

std::size_t extended_block::read_raw(std::span<std::uint8_t> destination, std::uint64_t offset) {
    if (offset > get_total_size()) {
        throw_read_past_end(*this, offset);
    }
    ensure_layout();
    const std::size_t size = std::min<std::uint64_t>(destination.size(), get_total_size() - offset);
    std::size_t done = 0;
    while (done < size) {
        const std::size_t index = child_holding(offset);
        const std::uint64_t child_end = m_child_offsets[index + 1];
        const std::size_t wanted = std::min<std::uint64_t>(size - done, child_end - offset);
        const std::size_t got = child(index).read_raw(destination.subspan(done, wanted),
                                                      offset - m_child_offsets[index]);
        if (got == 0) {
            throw database_corrupt("child " + to_hex(m_child_ids[index]) + " of extended block " +
                                   to_hex(get_id()) + " delivered no data at offset " +
                                   to_hex(offset));
        }
        done += got;
        offset += got;
    }
    return done;
}

std::size_t extended_block::get_page_count() {
    ensure_layout();
    return m_child_first_pages.back();
}

std::shared_ptr<external_block> extended_block::get_page(std::size_t page) {
    ensure_layout();
    if (page >= m_child_first_pages.back()) {
        throw_missing_page(*this, page, m_child_first_pages.back());
    }
    const auto after =
        std::upper_bound(m_child_first_pages.begin(), m_child_first_pages.end(), page);
    const auto index = static_cast<std::size_t>(after - m_child_first_pages.begin()) - 1;
    return child(index).get_page(page - m_child_first_pages[index]);
}

void extended_block::ensure_layout() {
    if (m_layout_ready) {
        return;
    }
    m_child_offsets.assign(1, 0);
    m_child_first_pages.assign(1, 0);
    try {
        if (m_level == 1) {
            add_external_children();
        } else {
            add_extended_children();
        }
        if (m_child_offsets.back() != get_total_size()) {
            throw_total_mismatch("");
        }
    } catch (...) {
        m_child_offsets.clear();
        m_child_first_pages.clear();
        throw;
    }
    m_layout_ready = true;
}

// Appends the next child's range; stops as soon as the children hold more
// than lcbTotal, so a tree that repeats a large child is not read in full.
void extended_block::add_child_range(std::uint64_t bytes, std::size_t pages) {
    const std::uint64_t end = m_child_offsets.back() + bytes;
    if (end > get_total_size()) {
        m_child_offsets.push_back(end);
        throw_total_mismatch("at least ");
    }
    m_child_offsets.push_back(end);
    m_child_first_pages.push_back(m_child_first_pages.back() + pages);
}

void extended_block::throw_total_mismatch(const char* qualifier) const {
    throw database_corrupt("extended block " + to_hex(get_id()) + " at " + to_hex(get_address()) +
                           ": its children hold " + qualifier +
                           std::to_string(m_child_offsets.back()) + " bytes but lcbTotal is " +
                           std::to_string(get_total_size()));
}

void extended_block::add_external_children() {
    std::vector<block_info> infos;
    infos.reserve(m_child_ids.size());
    for (const block_id id : m_child_ids) {
        if (id == 0) {
            throw database_corrupt("extended block " + to_hex(get_id()) + " has a null child id");
        }
        if (is_internal_block_id(id)) {
            throw unexpected_block("External BID expected");
        }
        infos.push_back(m_db->lookup_block_info(id));
        add_child_range(infos.back().size, 1);
    }
    m_block_info = std::move(infos);
}

void extended_block::add_extended_children() {
    for (std::size_t index = 0; index < m_child_ids.size(); ++index) {
        const block_id id = m_child_ids[index];
        if (id == 0) {
            throw database_corrupt("extended block " + to_hex(get_id()) + " has a null child id");
        }
        auto child = m_db->read_extended_block(m_db, id);
        if (child->get_level() + 1 != m_level) {
            throw database_corrupt("extended block " + to_hex(get_id()) + " of level " +
                                   std::to_string(m_level) + " has child " + to_hex(id) +
                                   " of level " + std::to_string(child->get_level()));
        }
        add_child_range(child->get_total_size(), child->get_child_count());
        m_child_blocks[index] = std::move(child);
    }
}

data_block& extended_block::child(std::size_t index) {
    if (index >= m_child_blocks.size()) {
        throw std::out_of_range("index >= m_child_blocks.size()");
    }
    auto& slot = m_child_blocks[index];
    if (!slot) {
        // Only level-1 children are loaded here; level-2 children come with
        // the layout. The external block read before is let go: callers that
        // need a page to stay hold their own reference (get_page).
        auto loaded = m_db->read_external_block(m_db, m_block_info.at(index));
        if (m_loaded_external != no_child) {
            m_child_blocks[m_loaded_external].reset();
        }
        slot = std::move(loaded);
        m_loaded_external = index;
    }
    return *slot;
}

std::size_t extended_block::loaded_child_count() const {
    return static_cast<std::size_t>(std::count_if(m_child_blocks.begin(), m_child_blocks.end(),
                                                  [](const auto& child) { return child; }));
}

// The child whose byte range holds `offset` (offset below the total size);
// children of no bytes are passed over.
std::size_t extended_block::child_holding(std::uint64_t offset) const {
    const auto after = std::upper_bound(m_child_offsets.begin(), m_child_offsets.end(), offset);
    return static_cast<std::size_t>(after - m_child_offsets.begin()) - 1;
}

}  // namespace pstread
