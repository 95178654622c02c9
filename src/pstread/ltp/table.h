// Table contexts ([MS-PST] 2.3.4): rows and columns stored in a heap-on-node.
// Folder hierarchy, contents, recipient and attachment tables are all table
// contexts. `table` is the handle callers hold; each row is also offered as
// a const_table_row, a property object whose properties are the row's cells.
//
//   table contents(db->lookup_node(0x200E));
//   for (const_table_row row : contents) {
//       row.set_charset(cp1252);
//       std::u32string subject = row.read_wstring(0x0037);
//   }
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

#include "pstread/ltp/const_property_object.h"
#include "pstread/ltp/hnid_stream.h"
#include "pstread/ltp/property_types.h"
#include "pstread/ndb/node.h"

namespace pstread {

using row_number = std::uint32_t;
using row_id = std::uint32_t;

// TCOLDESC ([MS-PST] 2.3.4.2).
struct column_description {
    prop_id id = 0;             // high 16 bits of tag
    prop_type type = 0;         // low 16 bits of tag
    std::uint16_t ib_data = 0;  // ibData: offset of the cell in the row
    std::uint8_t cb_data = 0;   // cbData: width of the cell
    std::uint8_t i_bit = 0;     // iBit: the column's bit in the cell existence bitmap
};

// rgib of TCINFO: the ends of the 4- and 8-byte cells, of the 2-byte cells,
// of the 1-byte cells and of the cell existence bitmap (the row length).
enum tc_offset { tci_4b = 0, tci_2b = 1, tci_1b = 2, tci_bm = 3 };

class table_impl : public std::enable_shared_from_this<table_impl> {
public:
    virtual ~table_impl() = default;

    // The row number stored under a row id; key_not_found<row_id> when none.
    virtual row_number row_of_id(row_id id) const = 0;
    virtual const node& table_node() const = 0;
    virtual node& table_node() = 0;

    // The cell's inline value (1, 2, 4 or 8 bytes). key_not_found<prop_id>
    // when the column is absent or the row's existence bit is clear;
    // database_corrupt "get_cell_value: invalid cell size" for another width.
    virtual std::uint64_t get_cell_value(row_number row, prop_id id) const = 0;
    // The value the cell's HNID names, whole or as a stream, and its size.
    virtual byte_buffer cell_bytes(row_number row, prop_id id) const = 0;
    virtual hnid_stream_device cell_stream(row_number row, prop_id id) const = 0;
    virtual std::size_t cell_size(row_number row, prop_id id) const = 0;

    // Column ids in TCINFO order (each once).
    virtual std::vector<prop_id> column_ids() const = 0;
    // The low 16 bits of the column's tag; key_not_found<prop_id> when absent.
    virtual prop_type column_type(prop_id id) const = 0;
    // The column descriptions in TCINFO order (each id once, the last
    // description of an id winning).
    virtual const std::vector<column_description>& columns() const = 0;

    // The 32-bit row id in the first cell of the row.
    virtual row_id row_id_at(row_number row) const = 0;
    virtual std::size_t size() const = 0;
    virtual bool cell_exists(row_number row, prop_id id) const = 0;
};

// One row of a table as a property object. Every read checks the row
// against the table's size (std::out_of_range "row >= size()").
class const_table_row : public const_property_object {
public:
    const_table_row(row_number row, std::shared_ptr<const table_impl> table,
                    const TextEncodingItem* charset = nullptr)
        : m_row(row), m_table(std::move(table)), m_charset(charset) {}

    row_number get_row() const { return m_row; }
    row_id get_row_id() const { return m_table->row_id_at(m_row); }
    const std::shared_ptr<const table_impl>& get_table() const { return m_table; }

    void set_charset(const TextEncodingItem* charset) override { m_charset = charset; }
    const TextEncodingItem* charset() const override { return m_charset; }

    // The columns whose cell exists in this row, in column order.
    std::vector<prop_id> property_ids() const override;
    prop_type property_type(prop_id id) const override { return m_table->column_type(id); }
    bool has_property(prop_id id) const override { return m_table->cell_exists(m_row, id); }

    std::size_t value_size(prop_id id) const override { return m_table->cell_size(m_row, id); }
    hnid_stream_device open_value_stream(prop_id id) const override {
        return m_table->cell_stream(m_row, id);
    }

    std::uint8_t inline_value_1(prop_id id) const override {
        return static_cast<std::uint8_t>(m_table->get_cell_value(m_row, id));
    }
    std::uint16_t inline_value_2(prop_id id) const override {
        return static_cast<std::uint16_t>(m_table->get_cell_value(m_row, id));
    }
    std::uint32_t inline_value_4(prop_id id) const override {
        return static_cast<std::uint32_t>(m_table->get_cell_value(m_row, id));
    }
    std::uint64_t value_8(prop_id id) const override { return m_table->get_cell_value(m_row, id); }
    byte_buffer value_bytes(prop_id id) const override { return m_table->cell_bytes(m_row, id); }

private:
    row_number m_row;
    std::shared_ptr<const table_impl> m_table;
    const TextEncodingItem* m_charset;
};

// Walks the rows of a table in row order, yielding const_table_row values
// that carry the iterator's charset.
class const_table_row_iter {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = const_table_row;
    using reference = const_table_row;
    using difference_type = std::ptrdiff_t;

    const_table_row_iter() = default;
    const_table_row_iter(row_number row, std::shared_ptr<const table_impl> table,
                         const TextEncodingItem* charset = nullptr)
        : m_row(row), m_table(std::move(table)), m_charset(charset) {}

    const_table_row operator*() const { return const_table_row(m_row, m_table, m_charset); }

    const_table_row_iter& operator++() {
        ++m_row;
        return *this;
    }
    const_table_row_iter operator++(int) {
        const_table_row_iter before = *this;
        ++m_row;
        return before;
    }
    const_table_row_iter& operator--() {
        --m_row;
        return *this;
    }
    const_table_row_iter& operator+=(difference_type n) {
        m_row = static_cast<row_number>(m_row + n);
        return *this;
    }
    friend difference_type operator-(const const_table_row_iter& a, const const_table_row_iter& b) {
        return static_cast<difference_type>(a.m_row) - static_cast<difference_type>(b.m_row);
    }

    row_number row() const { return m_row; }
    const std::shared_ptr<const table_impl>& table() const { return m_table; }

    // Equal when they stand at the same row of the same table.
    friend bool operator==(const const_table_row_iter& a, const const_table_row_iter& b) {
        return a.m_row == b.m_row && a.m_table == b.m_table;
    }

private:
    row_number m_row = 0;
    std::shared_ptr<const table_impl> m_table;
    const TextEncodingItem* m_charset = nullptr;
};

class table {
public:
    // Opens the node's table context. The node 0x730 fails with
    // not_implemented "gust table"; a heap that is not a table context with
    // sig_mismatch "invalid client_sig" or "heap_sig_tc expected". The row
    // index's entry width picks the variant: 4-byte row numbers (Unicode
    // files) or 2-byte ones (ANSI files).
    explicit table(const node& n);

    std::size_t size() const { return m_impl->size(); }
    // The row object of a row number, checked against the size.
    const_table_row operator[](row_number row) const;
    // The row stored under a row id; key_not_found<row_id> when none.
    const_table_row lookup_row(row_id id) const { return (*this)[m_impl->row_of_id(id)]; }

    const_table_row_iter begin(const TextEncodingItem* charset = nullptr) const {
        return const_table_row_iter(0, m_impl, charset);
    }
    const_table_row_iter end() const {
        return const_table_row_iter(static_cast<row_number>(m_impl->size()), m_impl);
    }

    std::vector<prop_id> column_ids() const { return m_impl->column_ids(); }
    const std::vector<column_description>& columns() const { return m_impl->columns(); }
    const node& get_node() const { return m_impl->table_node(); }
    const std::shared_ptr<table_impl>& get_impl() const { return m_impl; }

private:
    std::shared_ptr<table_impl> m_impl;
};

}  // namespace pstread
