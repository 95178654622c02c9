// Small PST files for the node database and the property and table layer
// tests: written by the shared builder (whose CRCs, signatures and encodings
// share no code with the reader) and opened from memory. Each fault test
// starts from a valid file and changes one thing through the builder's layout.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pstread/ndb/database.h"
#include "support/layout.h"
#include "support/le_bytes.h"
#include "support/ndb_builder.h"
#include "support/node_content.h"
#include "support/prng.h"
#include "support/pst_format.h"

namespace ndbfile {

using bytes = std::vector<std::uint8_t>;
using pstbuild::Variant;

inline constexpr Variant kVariants[] = {Variant::ansi, Variant::unicode};

inline const char* variant_name(Variant variant) {
    return variant == Variant::ansi ? "Ansi" : "Unicode";
}

inline pstread::shared_db_ptr open_bytes(bytes file) {
    return pstread::open_database(
        std::make_shared<const pstread::database_file>(std::move(file), "test.pst"));
}

// Bytes that differ from offset to offset and from seed to seed.
inline bytes pattern(std::size_t size, std::uint32_t seed) {
    bytes out(size);
    pstbuild::Prng(seed).fill(out);
    return out;
}

// Calls `check(variant, row)` for every row in each variant, traced with the
// variant and the row's name.
template <typename Rows, typename F>
void for_rows(const Rows& rows, F&& check) {
    for (const Variant variant : kVariants) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(variant_name(variant)) + ": " + row.name);
            check(variant, row);
        }
    }
}

// what() of the E that `action` throws, or "(no exception)".
template <typename E, typename F>
std::string error_of(F&& action) {
    try {
        action();
    } catch (const E& error) {
        return error.what();
    }
    return "(no exception)";
}

// Whether `action` throws an E whose what() holds `part`.
template <typename E = pstread::database_corrupt, typename F>
::testing::AssertionResult fails_with(F&& action, const std::string& part) {
    const std::string error = error_of<E>(action);
    if (error.find(part) != std::string::npos) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the error is: " << error;
}

// A built file with the layout that says where each page and block went.
struct built_file {
    bytes file;
    pstbuild::Layout layout;

    pstread::shared_db_ptr open() const { return open_bytes(file); }
    const pstbuild::VariantTraits& traits() const { return pstbuild::traits(layout.variant); }
    // Overwrites a header field and seals the header again.
    void set_header(std::size_t field, std::uint64_t value) {
        const std::size_t width = field == layout.header().bCryptMethod ? 1 : traits().id_size;
        pstbuild::put_le(file, field, value, width);
        pstbuild::refresh_header_crcs(file, layout.variant);
    }
};

inline built_file finish(pstbuild::NdbBuilder& builder) {
    built_file built;
    built.file = builder.build();
    built.layout = builder.layout();
    return built;
}

inline pstbuild::NdbOptions options(Variant variant,
                                    pstbuild::Encoding encoding = pstbuild::Encoding::none) {
    return {.variant = variant, .encoding = encoding, .pad_to_amap_section = false};
}

inline constexpr std::uint32_t kTestNid = 0x200024;  // a normal message's NID

// One top-level node in a file of its own; the node keeps the database alive.
inline pstread::node node_of(Variant variant, const bytes& data,
                             const std::vector<pstbuild::Subnode>& subnodes = {},
                             std::uint32_t nid = kTestNid) {
    pstbuild::NdbBuilder builder(options(variant));
    builder.add_node(nid, data, subnodes);
    return finish(builder).open()->lookup_node(nid);
}

inline pstread::node node_of(Variant variant, const pstbuild::NodeContent& content,
                             std::uint32_t nid = kTestNid) {
    return node_of(variant, content.data, content.subnodes, nid);
}

}  // namespace ndbfile
