// Reads everything the property and table layer can read in a file: every
// property of every property context and every cell of every table context,
// in top-level nodes and (to a depth) their subnodes, each value with the
// reader that fits its type. Shared by the corpus test, the fuzz harness and
// the benchmark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "pstread/ltp/heap.h"
#include "pstread/ltp/property_bag.h"
#include "pstread/ltp/table.h"
#include "pstread/ndb/database.h"
#include "pstread/ndb/hex.h"

namespace ltptest {

using pstread::const_property_object;
using pstread::prop_id;

struct walk_limits {
    std::size_t max_nodes = SIZE_MAX;       // heaps opened, in all
    std::size_t max_visits = SIZE_MAX;      // nodes and subnodes looked at, in all
    std::size_t max_depth = 16;             // subnode levels below a top-level node
    std::size_t max_rows = SIZE_MAX;        // rows read per table
    std::size_t max_properties = SIZE_MAX;  // properties read per context
};

struct walk_stats {
    std::size_t property_contexts = 0;
    std::size_t table_contexts = 0;
    std::size_t properties = 0;  // values read from property contexts
    std::size_t rows = 0;
    std::size_t cells = 0;          // values read from table rows
    std::uint64_t value_bytes = 0;  // bytes of variable-size values read
    std::vector<std::string> failures;
};

// Reads one value with the reader its type asks for; returns the bytes of a
// variable-size value (0 for inline ones). Throws whatever the reader throws.
inline std::uint64_t read_value(const const_property_object& object, prop_id id) {
    const pstread::prop_type type = object.property_type(id);
    switch (type) {
        case pstread::prop_type_short:
            (void)object.inline_value_2(id);
            return 0;
        case pstread::prop_type_long:
        case pstread::prop_type_float:
        case pstread::prop_type_error:
            (void)object.inline_value_4(id);
            return 0;
        case pstread::prop_type_boolean:
            (void)object.read_bool(id);
            return 0;
        case pstread::prop_type_double:
        case pstread::prop_type_currency:
        case pstread::prop_type_apptime:
        case pstread::prop_type_longlong:
        case pstread::prop_type_systime:
            (void)object.value_8(id);
            return 0;
        case pstread::prop_type_string8:
        case pstread::prop_type_unicode:
            return object.read_utf8string(id).size();
        case pstread::prop_type_mv_string8:
        case pstread::prop_type_mv_unicode: {
            std::uint64_t total = 0;
            for (const auto& item : object.read_multi_unistring(id)) {
                total += item.size() * 2;
            }
            return total;
        }
        case pstread::prop_type_mv_binary: {
            std::uint64_t total = 0;
            for (const auto& item : object.read_multi_bytes(id)) {
                total += item.size();
            }
            return total;
        }
        default:
            return object.read_bytes(id).size();
    }
}

// What a node's heap says it is: 0xBC, 0x7C, another client signature, or 0
// when the node is not a heap at all.
inline std::uint8_t client_signature_of(const pstread::node& n) {
    constexpr std::size_t heap_header_size = 12;  // HNHDR
    if (n.get_page_count() == 0 || n.get_page_size(0) < heap_header_size) {
        return 0;
    }
    try {
        return pstread::heap_impl(n).get_client_signature();
    } catch (const pstread::sig_mismatch&) {
        return 0;
    }
}

class walker {
public:
    walker(walk_limits limits, const pstread::TextEncodingItem* charset)
        : m_limits(limits), m_charset(charset) {}

    const walk_stats& stats() const { return m_stats; }

    // Every top-level node of the database and its subnodes.
    void walk_database(const pstread::shared_db_ptr& db) {
        std::vector<pstread::node_info> infos;
        record("node B-tree", [&] {
            for (const auto& info : db->node_infos()) {
                infos.push_back(info);
            }
        });
        for (const auto& info : infos) {
            if (m_opened >= m_limits.max_nodes) {
                return;
            }
            walk_node(pstread::node(db, info), pstread::to_hex(info.id), 0);
        }
    }

    void walk_node(const pstread::node& n, const std::string& path, std::size_t depth) {
        if (m_visited >= m_limits.max_visits) {
            return;
        }
        ++m_visited;
        std::uint8_t signature = 0;
        record(path, [&] { signature = client_signature_of(n); });
        if (signature == pstread::heap_client_pc) {
            ++m_opened;
            record(path, [&] { read_property_context(n, path); });
        } else if (signature == pstread::heap_client_tc) {
            ++m_opened;
            record(path, [&] { read_table_context(n, path); });
        }
        if (depth >= m_limits.max_depth || m_opened >= m_limits.max_nodes) {
            return;
        }
        std::vector<pstread::subnode_info> subnodes;
        record(path + " subnodes", [&] {
            if (n.get_sub_id() == 0) {
                return;
            }
            for (const auto& info : n.subnodes()) {
                subnodes.push_back(info);
            }
        });
        for (const auto& info : subnodes) {
            record(path, [&] {
                walk_node(n.subnode(info), path + "/" + pstread::to_hex(info.id), depth + 1);
            });
        }
    }

private:
    void read_property_context(const pstread::node& n, const std::string& path) {
        pstread::property_bag bag(n);
        bag.set_charset(m_charset);
        ++m_stats.property_contexts;
        std::size_t count = 0;
        for (const prop_id id : bag.property_ids()) {
            if (count++ >= m_limits.max_properties) {
                break;
            }
            record([&] { return path + " property " + pstread::to_hex(id); },
                   [&] {
                       m_stats.value_bytes += read_value(bag, id);
                       ++m_stats.properties;
                   });
        }
    }

    void read_table_context(const pstread::node& n, const std::string& path) {
        pstread::table tc(n);
        ++m_stats.table_contexts;
        const std::size_t rows = std::min(tc.size(), m_limits.max_rows);
        for (std::size_t r = 0; r < rows; ++r) {
            const auto where = [&] { return path + " row " + std::to_string(r); };
            record(where, [&] {
                pstread::const_table_row row = tc[static_cast<pstread::row_number>(r)];
                row.set_charset(m_charset);
                row.get_row_id();
                ++m_stats.rows;
                for (const prop_id id : row.property_ids()) {
                    record([&] { return where() + " cell " + pstread::to_hex(id); },
                           [&] {
                               m_stats.value_bytes += read_value(row, id);
                               ++m_stats.cells;
                           });
                }
            });
        }
    }

    // Runs a step; a failure is recorded with its place, which is only
    // spelled out then.
    template <typename Where, typename Step>
    void record(const Where& where, const Step& step) {
        try {
            step();
        } catch (const std::exception& error) {
            if (m_stats.failures.size() < 1000) {
                m_stats.failures.push_back(place(where) + ": " + error.what());
            }
        }
    }

    static std::string place(const char* where) { return where; }
    static std::string place(const std::string& where) { return where; }
    template <typename F>
    static std::string place(const F& where) {
        return where();
    }

    walk_limits m_limits;
    const pstread::TextEncodingItem* m_charset;
    walk_stats m_stats;
    std::size_t m_opened = 0;
    std::size_t m_visited = 0;
};

}  // namespace ltptest
