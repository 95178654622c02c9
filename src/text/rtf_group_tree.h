#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mailwright::text {

// A shallow structural view of one RTF group, as needed to take a picture out
// of an RTF body: its control words in order, its data run and its children.
struct RtfControlWord {
    std::string name;                    // the word with its numeric parameter, e.g. "picw1200"
    bool after_optional_marker = false;  // preceded by \*
};

struct RtfGroupNode {
    size_t start = 0;   // offset of the opening brace
    size_t length = 0;  // up to and including the closing brace
    std::vector<RtfControlWord> words;
    // The group's own data: the bytes after \binN, or else its last run of text
    // that is not only white space (pictures given as hexadecimal digits).
    bool has_data = false;
    size_t data_start = 0;
    size_t data_length = 0;
    bool data_is_binary = false;
    std::vector<RtfGroupNode> children;
};

// Groups nested deeper than this are not followed; a picture never needs it.
inline constexpr size_t kMaxRtfGroupTreeDepth = 64;

// Parses the group that opens at `start` (which must hold '{'). Returns nothing
// when there is no brace there, the group is not closed before the end of the
// RTF, a \bin run goes past the end, or nesting exceeds kMaxRtfGroupTreeDepth.
std::optional<RtfGroupNode> ParseRtfGroupTree(std::span<const uint8_t> rtf, size_t start);

}  // namespace mailwright::text
