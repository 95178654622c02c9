// RTF text as bytes and back, and real compressed RTF values from the sample
// PST files. The sample values are found without a PST reader: each file is
// scanned as it is and decoded with the NDB_CRYPT_PERMUTE table, and every
// "LZFu" header whose value lies whole in one block (so its CRC matches) is
// taken. Larger values span several blocks and are not found.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/block_encoding.h"
#include "support/crc.h"
#include "support/le_bytes.h"
#include "test_files.h"

namespace rtf_test {

inline std::vector<uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

inline std::string_view AsText(const std::vector<uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

struct CorpusRtfBlob {
    std::string file;
    size_t offset = 0;
    std::vector<uint8_t> blob;
};

inline void CollectBlobs(const std::string& name, std::span<const uint8_t> bytes,
                         std::vector<CorpusRtfBlob>& out) {
    for (size_t pos = 8; pos + 8 <= bytes.size(); ++pos) {
        if (std::memcmp(bytes.data() + pos, "LZFu", 4) != 0) {
            continue;
        }
        const size_t header = pos - 8;
        const uint32_t comp_size = pstbuild::get_u32(bytes, header);
        if (comp_size < 12 || comp_size > bytes.size() - header - 4) {
            continue;
        }
        const auto value = bytes.subspan(header, comp_size + 4u);
        if (pstbuild::compute_crc(value.subspan(16)) == pstbuild::get_u32(bytes, header + 12)) {
            out.push_back({name, header, {value.begin(), value.end()}});
        }
    }
}

// Every whole compressed RTF value of every sample file; empty when the
// corpus is absent.
inline std::vector<CorpusRtfBlob> CorpusRtfBlobs() {
    std::vector<CorpusRtfBlob> blobs;
    for (const auto& path : testfiles::corpus_files()) {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        CollectBlobs(path.filename().string(), bytes, blobs);
        for (auto& byte : bytes) {
            byte = pstbuild::kPermuteI[byte];  // mpbbI, the permute decode table
        }
        CollectBlobs(path.filename().string(), bytes, blobs);
    }
    return blobs;
}

}  // namespace rtf_test
