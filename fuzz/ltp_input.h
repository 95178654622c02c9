// Fuzz input for the property and table layer: opens the bytes as a PST file
// held in memory, opens every property context and table context among its
// nodes and their subnodes, reads every property and every cell with the
// reader its type asks for, and asks the named property map for a few names
// and its entries. The reader's exceptions are expected; crashes, hangs and
// sanitizer reports are not. The work per input is capped.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>

#include "ltp_walk.h"
#include "pstread/ltp/name_id_map.h"
#include "pstread/ltp/property_sets.h"
#include "pstread/ndb/database.h"
#include "text/code_page_table.h"

namespace ltp_fuzzing {

inline void ask_named_map(const pstread::shared_db_ptr& db) {
    try {
        pstread::name_id_map names(db);
        for (const auto& name : {pstread::named_prop(pstread::ps_public_strings, U"Keywords"),
                                 pstread::named_prop(pstread::psetid_appointment, 0x8216),
                                 pstread::named_prop(pstread::ps_mapi, 0x0037)}) {
            try {
                (void)names.lookup(name);
            } catch (const std::exception&) {
            }
        }
        const std::size_t entries = std::min<std::size_t>(names.entry_count(), 64);
        for (std::size_t i = 0; i < entries; ++i) {
            try {
                (void)names.lookup(names.entry_at(i));
            } catch (const std::exception&) {
            }
        }
    } catch (const std::exception&) {
        // No usable map.
    }
}

inline void fuzz_ltp(const std::uint8_t* data, std::size_t size) {
    try {
        const auto db = pstread::open_database(std::make_shared<const pstread::database_file>(
            pstread::byte_buffer(data, data + size), "fuzz.pst"));
        ltptest::walk_limits limits;
        limits.max_nodes = 300;
        limits.max_visits = 3000;
        limits.max_depth = 6;
        limits.max_rows = 2000;
        limits.max_properties = 2000;
        ltptest::walker walk(limits, mailwright::text::GetCodePageInfo(1252));
        walk.walk_database(db);
        ask_named_map(db);
    } catch (const std::exception&) {
        // Rejected as a whole: fine.
    }
}

}  // namespace ltp_fuzzing

inline void fuzz_ltp(const std::uint8_t* data, std::size_t size) {
    ltp_fuzzing::fuzz_ltp(data, size);
}
