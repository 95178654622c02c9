// RTF text as bytes and back, and real compressed RTF values from the sample
// PST files. The sample values are found without a PST
// reader: each file is scanned as it is and decoded with the NDB_CRYPT_PERMUTE
// table, and every "LZFu" header whose value lies whole in one block (so its
// CRC matches) is taken. Larger values span several blocks and are not found.
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

inline uint32_t LoadLe32(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | bytes[offset + static_cast<size_t>(i)];
    }
    return value;
}

inline void CollectBlobs(const std::string& name, const std::vector<uint8_t>& bytes,
                         std::vector<CorpusRtfBlob>& out) {
    static const uint8_t kSignature[] = {'L', 'Z', 'F', 'u'};
    for (size_t pos = 8; pos + 8 <= bytes.size(); ++pos) {
        if (std::memcmp(bytes.data() + pos, kSignature, 4) != 0) {
            continue;
        }
        const size_t header = pos - 8;
        const uint32_t comp_size = LoadLe32(bytes, header);
        if (comp_size < 12 || comp_size > bytes.size() - header - 4) {
            continue;
        }
        const size_t total = comp_size + 4u;
        const uint32_t crc = LoadLe32(bytes, header + 12);
        if (pstbuild::compute_crc(std::span(bytes).subspan(header + 16, total - 16)) != crc) {
            continue;
        }
        out.push_back(
            {name, header,
             std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(header),
                                  bytes.begin() + static_cast<ptrdiff_t>(header + total))});
    }
}

// Every whole compressed RTF value of every sample file; empty when the
// corpus is absent.
inline std::vector<CorpusRtfBlob> CorpusRtfBlobs(const std::string& corpus_dir) {
    std::vector<CorpusRtfBlob> blobs;
    std::error_code error;
    if (!std::filesystem::is_directory(corpus_dir, error)) {
        return blobs;
    }
    // The builder's NDB_CRYPT_PERMUTE decode table (mpbbI of [MS-PST] 5.1).
    const auto& decode = pstbuild::kPermuteI;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(corpus_dir, error)) {
        const auto extension = entry.path().extension();
        if (extension == ".pst" || extension == ".ost") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
        const std::string name = path.filename().string();
        CollectBlobs(name, bytes, blobs);
        for (auto& byte : bytes) {
            byte = decode[byte];
        }
        CollectBlobs(name, bytes, blobs);
    }
    return blobs;
}

}  // namespace rtf_test
