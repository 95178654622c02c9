// Blocks ([MS-PST] 2.2.2.8) and data trees. A node's data is one external
// block or a tree of extended blocks (XBLOCK, XXBLOCK) over external blocks;
// either way it is presented as one randomly addressable byte range with one
// page per external block.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <vector>

#include "pstread/ndb/little_endian.h"
#include "pstread/ndb/types.h"

namespace pstread {

class db_context;
class external_block;

class block {
public:
    block(std::shared_ptr<db_context> db, const block_info& info)
        : m_db(std::move(db)), m_id(info.id), m_address(info.address), m_size(info.size) {}
    virtual ~block() = default;

    block(const block&) = delete;
    block& operator=(const block&) = delete;

    block_id get_id() const { return m_id; }
    std::uint64_t get_address() const { return m_address; }
    // The block's own data size (its BBT cb), not the size of a whole tree.
    std::uint16_t get_disk_size() const { return m_size; }

protected:
    std::shared_ptr<db_context> m_db;

private:
    block_id m_id;
    std::uint64_t m_address;
    std::uint16_t m_size;
};

class data_block : public block {
public:
    data_block(std::shared_ptr<db_context> db, const block_info& info, std::uint64_t total_size)
        : block(std::move(db), info), m_total_size(total_size) {}

    // Byte count of the whole range this block presents.
    std::uint64_t get_total_size() const { return m_total_size; }

    virtual bool is_internal() const = 0;
    // Copies up to destination.size() bytes from `offset`; returns the count,
    // less than asked only at the end of the range. An offset beyond the end
    // is a fault of the tree that asked for it (database_corrupt).
    virtual std::size_t read_raw(std::span<std::uint8_t> destination, std::uint64_t offset) = 0;
    virtual std::size_t get_page_count() = 0;
    // The external block that holds page `page` of the range.
    virtual std::shared_ptr<external_block> get_page(std::size_t page) = 0;

    // Fills `buffer` from `offset`; returns the bytes copied. An empty buffer
    // returns 0; an offset at or past the end is database_corrupt (offsets
    // come from the file's own structures).
    std::size_t read(std::span<std::uint8_t> buffer, std::uint64_t offset) {
        if (buffer.empty()) {
            return 0;
        }
        if (offset >= m_total_size) {
            throw_outside(offset, buffer.size());
        }
        return read_raw(buffer, offset);
    }

    // One little-endian integer at `offset`.
    template <std::integral T>
    T read(std::uint64_t offset) {
        if (!range_fits(offset, sizeof(T), m_total_size)) {
            throw_outside(offset, sizeof(T));
        }
        std::array<std::uint8_t, sizeof(T)> bytes{};
        if (read_raw(bytes, offset) != bytes.size()) {
            throw database_corrupt("short read of a fixed-size value at offset " + to_hex(offset) +
                                   " of block " + to_hex(get_id()));
        }
        return static_cast<T>(load_le(bytes, 0, sizeof(T)));
    }

private:
    [[noreturn]] void throw_outside(std::uint64_t offset, std::size_t length) const {
        throw database_corrupt("read of " + std::to_string(length) + " bytes at offset " +
                               to_hex(offset) + " outside the " + std::to_string(m_total_size) +
                               " bytes of block " + to_hex(get_id()));
    }

    std::uint64_t m_total_size;
};

// A block of plain (decoded) data: the leaf of every data tree.
class external_block : public data_block, public std::enable_shared_from_this<external_block> {
public:
    // `data` holds exactly the block's decoded data bytes.
    external_block(std::shared_ptr<db_context> db, const block_info& info, byte_buffer data)
        : data_block(std::move(db), info, data.size()), m_buffer(std::move(data)) {}

    bool is_internal() const override { return false; }
    std::size_t read_raw(std::span<std::uint8_t> destination, std::uint64_t offset) override;
    std::size_t get_page_count() override { return 1; }
    std::shared_ptr<external_block> get_page(std::size_t page) override;

    std::span<const std::uint8_t> get_data() const { return m_buffer; }

private:
    byte_buffer m_buffer;
};

// An XBLOCK (level 1, children are external blocks) or XXBLOCK (level 2,
// children are XBLOCKs). Each child is addressed by the bytes and pages it
// actually holds: the children's offsets are computed once, on first use,
// from the block B-tree sizes (level 1) or the children's own totals and
// entry counts (level 2), and must add up to lcbTotal.
class extended_block : public data_block, public std::enable_shared_from_this<extended_block> {
public:
    extended_block(std::shared_ptr<db_context> db, const block_info& info, unsigned level,
                   std::uint64_t total_size, std::vector<block_id> child_ids)
        : data_block(std::move(db), info, total_size),
          m_level(level),
          m_child_ids(std::move(child_ids)),
          m_child_blocks(m_child_ids.size()) {}

    bool is_internal() const override { return true; }
    std::size_t read_raw(std::span<std::uint8_t> destination, std::uint64_t offset) override;
    std::size_t get_page_count() override;
    std::shared_ptr<external_block> get_page(std::size_t page) override;

    unsigned get_level() const { return m_level; }
    std::size_t get_child_count() const { return m_child_ids.size(); }
    block_id get_child_id(std::size_t index) const { return m_child_ids.at(index); }
    // Children held in memory right now: level-2 blocks keep their XBLOCK
    // children, level-1 blocks only the external block read last.
    std::size_t loaded_child_count() const;

private:
    void ensure_layout();
    void add_external_children();
    void add_extended_children();
    void add_child_range(std::uint64_t bytes, std::size_t pages);
    [[noreturn]] void throw_total_mismatch(const char* qualifier) const;
    data_block& child(std::size_t index);
    std::size_t child_holding(std::uint64_t offset) const;

    unsigned m_level;
    std::vector<block_id> m_child_ids;
    std::vector<std::shared_ptr<data_block>> m_child_blocks;
    // Level 1: the one external child kept loaded, so that reading a large
    // value or table front to back holds one block, not the whole tree.
    std::size_t m_loaded_external = no_child;
    static constexpr std::size_t no_child = static_cast<std::size_t>(-1);
    // Level 1: the children's BBT entries, filled with the layout.
    std::vector<block_info> m_block_info;
    bool m_layout_ready = false;
    // Start offset and first page of each child, plus the end of the last.
    std::vector<std::uint64_t> m_child_offsets;
    std::vector<std::size_t> m_child_first_pages;
};

}  // namespace pstread
