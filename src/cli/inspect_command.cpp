// `mailwright inspect FILE NID` and `mailwright inspect FILE --named`: the
// property context or table context of one node, or the named property map,
// as readable text. A diagnostic tool for damaged files: a property, cell or
// entry that cannot be read prints its error and the listing goes on.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/argument_reader.h"
#include "cli/commands.h"
#include "cli/option_values.h"
#include "cli/value_format.h"
#include "pstread/ltp/heap.h"
#include "pstread/ltp/name_id_map.h"
#include "pstread/ltp/property_bag.h"
#include "pstread/ltp/property_sets.h"
#include "pstread/ltp/table.h"
#include "pstread/ndb/database.h"
#include "text/code_page_table.h"
#include "text/whole_value_conversion.h"

namespace mailwright::cli {
namespace {

constexpr const char* kUsage =
    "usage: mailwright inspect FILE NID[/SUBNID...] [--codepage N]\n"
    "       mailwright inspect FILE --named\n"
    "NIDs are hexadecimal (0x21 or 21); SUBNIDs name subnodes inside the node.\n"
    "N is the Windows code page that decodes 8-bit strings (default: 1252).\n";

struct options {
    std::string path;
    std::vector<pstread::node_id> nids;  // the node, then subnodes within it
    bool named = false;
    unsigned code_page = 1252;
};

bool parse_hex(const std::string& text, std::uint32_t& value) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits = digits.substr(2);
    }
    if (digits.empty() || digits.size() > 8 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        return false;
    }
    value = static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
    return true;
}

bool parse_node_path(const std::string& text, std::vector<pstread::node_id>& nids) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t slash = text.find('/', start);
        const std::string part =
            text.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        std::uint32_t nid = 0;
        if (!parse_hex(part, nid)) {
            return false;
        }
        nids.push_back(nid);
        if (slash == std::string::npos) {
            return true;
        }
        start = slash + 1;
    }
    return false;
}

// The options, or nothing after printing why the arguments are wrong;
// `help` when -h or --help was given.
std::optional<options> parse(const Arguments& args, bool& help) {
    options parsed;
    std::vector<std::string> positional;
    argument_reader reader(args);
    while (reader.error().empty() && reader.next()) {
        if (reader.is_operand()) {
            positional.push_back(reader.word());
        } else if (reader.is_help()) {
            help = true;
        } else if (reader.flag("--named")) {
            parsed.named = true;
        } else if (reader.is("--codepage")) {
            const auto text = reader.value();
            const auto number = text ? parse_decimal(*text, 0xFFFF) : std::nullopt;
            if (!number) {
                reader.fail("--codepage needs a code page number");
            }
            parsed.code_page = static_cast<unsigned>(number.value_or(0));
        } else {
            reader.fail("unknown option " + reader.word());
        }
    }
    if (!reader.error().empty()) {
        std::fprintf(stderr, "mailwright inspect: %s\n", reader.error().c_str());
        return std::nullopt;
    }
    if (help) {
        return parsed;
    }
    if (positional.empty()) {
        return std::nullopt;
    }
    parsed.path = positional[0];
    if (parsed.named) {
        return positional.size() == 1 ? std::optional(parsed) : std::nullopt;
    }
    if (positional.size() != 2 || !parse_node_path(positional[1], parsed.nids)) {
        return std::nullopt;
    }
    return parsed;
}

std::string hex4(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

std::string node_label(const std::vector<pstread::node_id>& nids) {
    std::string label;
    for (const auto nid : nids) {
        label += (label.empty() ? "" : "/") + pstread::to_hex(nid);
    }
    return label;
}

void print_property(const pstread::const_property_object& object, pstread::prop_id id,
                    const char* indent) {
    std::string type;
    try {
        type = pstread::property_type_name(object.property_type(id));
    } catch (const std::exception& error) {
        std::printf("%s%s  error: %s\n", indent, hex4(id).c_str(), error.what());
        return;
    }
    std::printf("%s%s  %-14s %s\n", indent, hex4(id).c_str(), type.c_str(),
                format_property_value(object, id).c_str());
}

void print_property_context(const pstread::node& n, const std::string& label,
                            const mailwright::text::TextEncodingItem* charset) {
    pstread::property_bag bag(n);
    bag.set_charset(charset);
    const auto ids = bag.property_ids();
    std::printf("node %s: property context, %zu properties\n", label.c_str(), ids.size());
    for (const auto id : ids) {
        print_property(bag, id, "  ");
    }
}

void print_table_context(const pstread::node& n, const std::string& label,
                         const mailwright::text::TextEncodingItem* charset) {
    const pstread::table tc(n);
    const auto& columns = tc.columns();
    std::printf("node %s: table context, %zu columns, %zu rows\n", label.c_str(), columns.size(),
                tc.size());
    std::printf("columns:\n");
    for (const auto& column : columns) {
        std::printf("  %s  %-14s cell %u+%u, bit %u\n", hex4(column.id).c_str(),
                    pstread::property_type_name(column.type).c_str(), column.ib_data,
                    column.cb_data, column.i_bit);
    }
    std::printf("rows:\n");
    for (std::size_t r = 0; r < tc.size(); ++r) {
        try {
            pstread::const_table_row row = tc[static_cast<pstread::row_number>(r)];
            row.set_charset(charset);
            std::printf("  row %zu, row id 0x%" PRIX32 ":\n", r, row.get_row_id());
            for (const auto id : row.property_ids()) {
                print_property(row, id, "    ");
            }
        } catch (const std::exception& error) {
            std::printf("  row %zu: error: %s\n", r, error.what());
        }
    }
}

// The node named by the path: a top-level node, then subnodes within it.
pstread::node find_node(const pstread::shared_db_ptr& db,
                        const std::vector<pstread::node_id>& nids) {
    pstread::node found = db->lookup_node(nids.front());
    for (std::size_t i = 1; i < nids.size(); ++i) {
        found = found.lookup(nids[i]);
    }
    return found;
}

int inspect_node(const pstread::shared_db_ptr& db, const options& opts,
                 const mailwright::text::TextEncodingItem* charset) {
    const std::string label = node_label(opts.nids);
    try {
        const pstread::node n = find_node(db, opts.nids);
        const std::uint8_t signature = pstread::heap_impl(n).get_client_signature();
        if (signature == pstread::heap_client_pc) {
            print_property_context(n, label, charset);
        } else if (signature == pstread::heap_client_tc) {
            print_table_context(n, label, charset);
        } else {
            std::printf(
                "node %s: a heap with client signature 0x%02X, neither a property "
                "context nor a table context\n",
                label.c_str(), signature);
        }
        return 0;
    } catch (const pstread::key_not_found<pstread::node_id>& missing) {
        std::fflush(stdout);
        std::fprintf(stderr, "mailwright: %s: node %s not found\n", opts.path.c_str(),
                     pstread::to_hex(missing.which()).c_str());
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "mailwright: %s: node %s: %s\n", opts.path.c_str(), label.c_str(),
                     error.what());
    }
    return 1;
}

std::string describe_name(const pstread::named_prop& name) {
    if (!name.is_string()) {
        return hex4(static_cast<std::uint32_t>(name.get_id()));
    }
    std::u16string utf16;
    for (const char32_t c : name.get_name()) {
        if (c >= 0x10000) {
            utf16 += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            utf16 += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            utf16 += static_cast<char16_t>(c);
        }
    }
    return quote_text(mailwright::text::utf16_to_utf8(utf16));
}

int inspect_named(const pstread::shared_db_ptr& db, const options& opts) {
    std::unique_ptr<pstread::name_id_map> names;
    try {
        names = std::make_unique<pstread::name_id_map>(db);
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "mailwright: %s: named property map: %s\n", opts.path.c_str(),
                     error.what());
        return 1;
    }
    std::printf("named property map: %zu entries, %u buckets\n", names->entry_count(),
                names->bucket_count());
    std::printf("  %-6s %-7s %-38s %s\n", "index", "id", "property set", "name");
    for (std::size_t i = 0; i < names->entry_count(); ++i) {
        const std::string id = hex4(static_cast<std::uint32_t>(pstread::first_named_prop_id + i));
        try {
            const pstread::named_prop entry = names->entry_at(i);
            const char* set = pstread::property_set_name(entry.get_guid());
            std::printf("  %-6zu %-7s %-38s %s%s%s\n", i, id.c_str(),
                        pstread::to_string(entry.get_guid()).c_str(), describe_name(entry).c_str(),
                        set ? "  " : "", set ? set : "");
        } catch (const std::exception& error) {
            std::printf("  %-6zu %-7s error: %s\n", i, id.c_str(), error.what());
        }
    }
    return 0;
}

}  // namespace

int run_inspect(const Arguments& args) {
    bool help = false;
    const std::optional<options> opts = parse(args, help);
    if (!opts) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const auto* charset = mailwright::text::GetCodePageInfo(opts->code_page);
    if (!charset || !charset->available) {
        std::fprintf(stderr, "mailwright: code page %u is not available\n", opts->code_page);
        return kExitUsage;
    }
    pstread::shared_db_ptr db;
    try {
        db = pstread::open_database(opts->path);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mailwright: %s: %s\n", opts->path.c_str(), error.what());
        return 1;
    }
    return opts->named ? inspect_named(db, *opts) : inspect_node(db, *opts, charset);
}

}  // namespace mailwright::cli
