#include "support/ndb_builder.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "support/btree_writer.h"
#include "support/header_writer.h"
#include "support/tree_writer.h"

namespace pstbuild {
namespace {

TreeLimits limits_of(const NdbOptions& options) {
    return TreeLimits{options.max_xblock_entries, options.max_subnode_entries};
}

// rgnid[t] holds the last nidIndex handed out for NID type t ([MS-PST]
// 2.2.2.6): the initial value, or the highest index of a node of that type.
std::array<std::uint32_t, 32> nid_counters(const std::vector<NbtEntry>& nodes) {
    std::array<std::uint32_t, 32> rgnid = initial_rgnid();
    for (const NbtEntry& node : nodes) {
        std::uint32_t& slot = rgnid[node.nid & 0x1F];
        slot = std::max(slot, node.nid >> 5);
    }
    return rgnid;
}

}  // namespace

NdbBuilder::NdbBuilder(NdbOptions options)
    : options_(options), memory_(std::make_unique<MemorySink>()) {
    store_ = std::make_unique<BlockStore>(options_.variant, options_.encoding, *memory_,
                                          options_.record_layout);
}

NdbBuilder::NdbBuilder(NdbOptions options, const std::string& path)
    : options_(options), file_(std::make_unique<FileSink>(path)) {
    store_ = std::make_unique<BlockStore>(options_.variant, options_.encoding, *file_,
                                          options_.record_layout);
}

NdbBuilder::~NdbBuilder() = default;

void NdbBuilder::check_open() const {
    if (finished_) {
        throw std::logic_error("the PST file is already finished");
    }
}

void NdbBuilder::check_new_nid(std::uint32_t nid) const {
    if (nids_.contains(nid)) {
        std::ostringstream message;
        message << "node 0x" << std::hex << nid << " was already added";
        throw std::invalid_argument(message.str());
    }
}

void NdbBuilder::add_node(std::uint32_t nid, const std::vector<std::uint8_t>& data,
                          const std::vector<Subnode>& subnodes, std::uint32_t parent) {
    check_open();
    check_new_nid(nid);
    const TreeLimits limits = limits_of(options_);
    const std::uint64_t data_bid = write_data_tree(*store_, data, limits, nid, 0);
    const std::uint64_t sub_bid = write_subnode_tree(*store_, subnodes, limits, nid);
    add_node_entry(NbtEntry{nid, data_bid, sub_bid, parent});
}

std::uint64_t NdbBuilder::reserve_bid(bool internal) {
    check_open();
    return store_->reserve_bid(internal);
}

void NdbBuilder::add_block(std::uint64_t bid, std::span<const std::uint8_t> data) {
    check_open();
    store_->write_block(bid, data, BlockOrigin{ItemKind::raw_block});
}

std::uint64_t NdbBuilder::add_block(std::span<const std::uint8_t> data, bool internal) {
    const std::uint64_t bid = reserve_bid(internal);
    add_block(bid, data);
    return bid;
}

std::uint64_t NdbBuilder::add_data_tree(std::span<const std::uint8_t> data, std::uint32_t owner) {
    check_open();
    return write_data_tree(*store_, data, limits_of(options_), owner, 0);
}

std::uint64_t NdbBuilder::add_subnode_tree(std::span<const Subnode> subnodes, std::uint32_t owner) {
    check_open();
    return write_subnode_tree(*store_, subnodes, limits_of(options_), owner);
}

void NdbBuilder::add_node_entry(const NbtEntry& entry) {
    check_open();
    check_new_nid(entry.nid);
    nids_.insert(entry.nid);
    nodes_.push_back(entry);
    if (options_.record_layout) {
        store_->layout().nodes.push_back(entry);
    }
}

void NdbBuilder::finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    std::vector<NbtEntry> sorted_nodes = nodes_;
    std::sort(sorted_nodes.begin(), sorted_nodes.end(),
              [](const NbtEntry& a, const NbtEntry& b) { return a.nid < b.nid; });
    const std::vector<BbtEntry>& sorted_blocks = store_->sorted_bbt();
    const Bref nbt = write_nbt(*store_, sorted_nodes, options_.max_btree_entries);
    const Bref bbt = write_bbt(*store_, sorted_blocks, options_.max_btree_entries);
    const MapSummary maps = store_->finish_space(options_.pad_to_amap_section);

    HeaderFields header;
    header.variant = options_.variant;
    header.wVer = options_.wVer;
    header.wMagicClient = options_.wMagicClient;
    header.bidNextB = store_->next_bid();
    header.bidNextP = store_->next_page_bid();
    header.dwUnique = options_.dwUnique;
    header.rgnid = nid_counters(nodes_);
    header.root.ibFileEof = maps.file_eof;
    header.root.ibAMapLast = maps.last_amap;
    header.root.cbAMapFree = maps.amap_free;
    header.root.BREFNBT = nbt;
    header.root.BREFBBT = bbt;
    header.bCryptMethod = options_.encoding;
    const std::vector<std::uint8_t> bytes = serialize_header(header);
    ByteSink& sink = memory_ ? static_cast<ByteSink&>(*memory_) : *file_;
    sink.write(0, bytes);

    Layout& layout = store_->layout();
    layout.nbt_root = nbt;
    layout.bbt_root = bbt;
    if (file_) {
        file_->close();
    }
}

std::vector<std::uint8_t> NdbBuilder::build() {
    if (!memory_) {
        throw std::logic_error("build() needs an in-memory builder; this one streams to a file");
    }
    finish();
    return memory_->bytes();
}

void NdbBuilder::write_file(const std::string& path) {
    const std::vector<std::uint8_t> bytes = build();
    FileSink sink(path);
    sink.write(0, bytes);
    sink.close();
}

const Layout& NdbBuilder::layout() const {
    return store_->layout();
}

}  // namespace pstbuild
