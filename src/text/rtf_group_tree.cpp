#include "text/rtf_group_tree.h"

#include <algorithm>
#include <charconv>

namespace mailwright::text {
namespace {

bool IsRtfWhiteSpace(uint8_t byte) {
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n' || byte == '\v' ||
           byte == '\f';
}

bool IsEscapedCharacter(uint8_t byte) {
    return byte == '\\' || byte == '{' || byte == '}';
}

// "bin" followed only by decimal digits: the byte count of a binary run.
std::optional<size_t> BinaryRunLength(const std::string& word) {
    constexpr std::string_view kBin = "bin";
    if (word.size() <= kBin.size() || word.compare(0, kBin.size(), kBin) != 0) {
        return std::nullopt;
    }
    size_t value = 0;
    const char* first = word.data() + kBin.size();
    const char* last = word.data() + word.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

class GroupTreeParser {
public:
    explicit GroupTreeParser(std::span<const uint8_t> rtf) : rtf_(rtf) {}

    std::optional<RtfGroupNode> Parse(size_t start) {
        if (start >= rtf_.size() || rtf_[start] != '{') {
            return std::nullopt;
        }
        pos_ = start + 1;
        RtfGroupNode root;
        root.start = start;
        if (!ParseBody(root, 1)) {
            return std::nullopt;
        }
        return root;
    }

private:
    // Reads the contents of `node` up to and including its closing brace.
    bool ParseBody(RtfGroupNode& node, size_t depth) {
        bool optional_marker = false;
        while (pos_ < rtf_.size()) {
            const uint8_t byte = rtf_[pos_];
            if (byte == '{') {
                if (depth >= kMaxRtfGroupTreeDepth) {
                    return false;
                }
                RtfGroupNode child;
                child.start = pos_++;
                if (!ParseBody(child, depth + 1)) {
                    return false;
                }
                node.children.push_back(std::move(child));
                optional_marker = false;
            } else if (byte == '}') {
                ++pos_;
                node.length = pos_ - node.start;
                return true;
            } else if (byte == '\\' && pos_ + 1 < rtf_.size() && rtf_[pos_ + 1] == '*') {
                optional_marker = true;
                pos_ += 2;
            } else if (byte == '\\' &&
                       !(pos_ + 1 < rtf_.size() && IsEscapedCharacter(rtf_[pos_ + 1]))) {
                if (!ParseControlWord(node, optional_marker)) {
                    return false;
                }
                optional_marker = false;
            } else {
                ParseDataRun(node);
            }
        }
        return false;  // the group is not closed
    }

    bool ParseControlWord(RtfGroupNode& node, bool optional_marker) {
        size_t end = pos_ + 1;
        while (end < rtf_.size() && rtf_[end] != '\\' && rtf_[end] != '{' && rtf_[end] != '}' &&
               !IsRtfWhiteSpace(rtf_[end])) {
            ++end;
        }
        std::string name(rtf_.begin() + static_cast<ptrdiff_t>(pos_ + 1),
                         rtf_.begin() + static_cast<ptrdiff_t>(end));
        pos_ = end;
        if (pos_ < rtf_.size() && rtf_[pos_] == ' ') {
            ++pos_;  // the space that ends a control word belongs to it
        }
        if (const auto count = BinaryRunLength(name)) {
            if (*count > rtf_.size() - pos_) {
                return false;
            }
            node.has_data = true;
            node.data_start = pos_;
            node.data_length = *count;
            node.data_is_binary = true;
            pos_ += *count;
        }
        node.words.push_back({std::move(name), optional_marker});
        return true;
    }

    void ParseDataRun(RtfGroupNode& node) {
        const size_t run_start = pos_;
        bool blank = true;
        while (pos_ < rtf_.size()) {
            const uint8_t byte = rtf_[pos_];
            if (byte == '{' || byte == '}') {
                break;
            }
            if (byte == '\\') {
                if (pos_ + 1 < rtf_.size() && IsEscapedCharacter(rtf_[pos_ + 1])) {
                    pos_ += 2;
                    blank = false;
                    continue;
                }
                break;
            }
            blank = blank && IsRtfWhiteSpace(byte);
            ++pos_;
        }
        if (!blank && !(node.has_data && node.data_is_binary)) {
            node.has_data = true;
            node.data_start = run_start;
            node.data_length = pos_ - run_start;
            node.data_is_binary = false;
        }
    }

    std::span<const uint8_t> rtf_;
    size_t pos_ = 0;
};

}  // namespace

std::optional<RtfGroupNode> ParseRtfGroupTree(std::span<const uint8_t> rtf, size_t start) {
    return GroupTreeParser(rtf).Parse(start);
}

}  // namespace mailwright::text
