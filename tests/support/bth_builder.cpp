#include "support/bth_builder.h"

#include <algorithm>
#include <stdexcept>

#include "support/le_bytes.h"

namespace pstbuild {
namespace {

constexpr std::size_t kHidSize = 4;

std::size_t per_item(std::size_t limit, std::size_t record_size) {
    const std::size_t fit = kMaxHeapItemSize / record_size;
    if (limit == 1) {
        throw std::invalid_argument("a BTH fan-out limit must be at least 2");
    }
    return limit == 0 ? fit : std::min(limit, fit);
}

// Splits `total` records into items of at most `capacity`, filling each in turn.
std::vector<std::size_t> split(std::size_t total, std::size_t capacity) {
    std::vector<std::size_t> counts;
    for (std::size_t left = total; left > 0; left -= std::min(left, capacity)) {
        counts.push_back(std::min(left, capacity));
    }
    return counts;
}

}  // namespace

BthWriter::BthWriter(std::uint8_t cbKey, std::uint8_t cbEnt, std::size_t record_count,
                     BthOptions options)
    : cbKey_(cbKey), cbEnt_(cbEnt), record_count_(record_count) {
    if (cbKey != 2 && cbKey != 4 && cbKey != 8) {
        throw std::invalid_argument("BTH cbKey must be 2, 4 or 8 here (keys are 64-bit)");
    }
    if (cbEnt == 0 || cbEnt > 32) {
        throw std::invalid_argument("BTH cbEnt must be 1 to 32");
    }
    if (record_count == 0) {
        return;  // an empty tree: hidRoot 0, no items
    }
    counts_.push_back(split(record_count, per_item(options.max_leaf_entries, cbKey + cbEnt)));
    const std::size_t fanout = per_item(options.max_index_entries, cbKey + kHidSize);
    while (counts_.back().size() > 1) {
        counts_.push_back(split(counts_.back().size(), fanout));
    }
}

std::uint8_t BthWriter::index_levels() const {
    return static_cast<std::uint8_t>(counts_.empty() ? 0 : counts_.size() - 1);
}

void BthWriter::reserve_nodes(HeapBuilder& heap) {
    hids_.clear();
    for (std::size_t level = 0; level < counts_.size(); ++level) {
        const std::size_t record_size = cbKey_ + (level == 0 ? cbEnt_ : kHidSize);
        std::vector<std::uint32_t>& hids = hids_.emplace_back();
        for (const std::size_t count : counts_[level]) {
            hids.push_back(heap.reserve(count * record_size));
        }
    }
}

void BthWriter::write(HeapBuilder& heap, std::uint32_t header_hid,
                      std::span<const BthRecord> sorted) const {
    if (hids_.size() != counts_.size()) {
        throw std::logic_error("BthWriter::write before reserve_nodes");
    }
    if (sorted.size() != record_count_) {
        throw std::invalid_argument("BTH records do not match the planned tree");
    }
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (i > 0 && sorted[i].key <= sorted[i - 1].key) {
            throw std::invalid_argument("BTH keys must be distinct and ascending");
        }
        if (sorted[i].data.size() != cbEnt_) {
            throw std::invalid_argument("BTH record data is not cbEnt bytes");
        }
    }
    std::span<std::uint8_t> header = heap.item(header_hid);
    if (header.size() != kBthHeaderSize) {
        throw std::invalid_argument("the BTHHEADER item must be 8 bytes");
    }
    header[0] = kClientSignatureBth;  // bType
    header[1] = cbKey_;
    header[2] = cbEnt_;
    header[3] = index_levels();
    put_u32(header, 4, hids_.empty() ? 0 : hids_.back().front());  // hidRoot
    if (counts_.empty()) {
        return;
    }
    // Leaves, remembering the first key of every item for the level above.
    std::vector<std::uint64_t> first_keys;
    std::size_t next = 0;
    for (std::size_t item = 0; item < counts_[0].size(); ++item) {
        const std::span<std::uint8_t> bytes = heap.item(hids_[0][item]);
        first_keys.push_back(sorted[next].key);
        for (std::size_t r = 0; r < counts_[0][item]; ++r, ++next) {
            const std::size_t at = r * (cbKey_ + cbEnt_);
            put_le(bytes, at, sorted[next].key, cbKey_);
            std::copy(sorted[next].data.begin(), sorted[next].data.end(),
                      bytes.begin() + static_cast<std::ptrdiff_t>(at + cbKey_));
        }
    }
    // Index levels: each record is the first key below a child and its HID.
    for (std::size_t level = 1; level < counts_.size(); ++level) {
        std::vector<std::uint64_t> keys_above;
        std::size_t child = 0;
        for (std::size_t item = 0; item < counts_[level].size(); ++item) {
            const std::span<std::uint8_t> bytes = heap.item(hids_[level][item]);
            keys_above.push_back(first_keys[child]);
            for (std::size_t r = 0; r < counts_[level][item]; ++r, ++child) {
                const std::size_t at = r * (cbKey_ + kHidSize);
                put_le(bytes, at, first_keys[child], cbKey_);
                put_u32(bytes, at + cbKey_, hids_[level - 1][child]);
            }
        }
        first_keys = std::move(keys_above);
    }
}

std::uint32_t build_bth(HeapBuilder& heap, std::uint8_t cbKey, std::uint8_t cbEnt,
                        std::vector<BthRecord> records, BthOptions options) {
    std::sort(records.begin(), records.end(),
              [](const BthRecord& a, const BthRecord& b) { return a.key < b.key; });
    const std::uint32_t header = heap.reserve(kBthHeaderSize);
    BthWriter writer(cbKey, cbEnt, records.size(), options);
    writer.reserve_nodes(heap);
    writer.write(heap, header, records);
    return header;
}

}  // namespace pstbuild
