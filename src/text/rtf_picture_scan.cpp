#include "text/rtf_picture_scan.h"

#include <string_view>
#include <utility>

#include "text/rtf_group_tree.h"
#include "text/rtf_tokenizer.h"

namespace mailwright::text {
namespace {

constexpr std::string_view kPictWord = "pict";
constexpr std::string_view kShapePictureWord = "shppict";
constexpr std::string_view kNonShapePictureWord = "nonshppict";
constexpr std::string_view kBlipTagWord = "bliptag";
constexpr std::string_view kObjectWord = "object";

// A picture wrapper's brace stands just before its {\pict group, separated at
// most by its own control word and white space; looking further back than
// this only ever finds unrelated groups.
constexpr size_t kWrapperSearchLimit = 256;

bool IsRtfWhiteSpace(uint8_t byte) {
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n' || byte == '\v' ||
           byte == '\f';
}

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// The control words that name a picture's format, compared on their leading
// letters; the last one found in a picture wins.
struct FormatWord {
    std::string_view word;
    std::string_view extension;
};
constexpr FormatWord kFormatWords[] = {
    {"wmetafile", "wmf"}, {"pngblip", "png"},    {"jpegblip", "jpg"}, {"macpict", "pict"},
    {"emfblip", "emf"},   {"pmmetafile", "emf"}, {"dibitmap", "emf"},
};

bool BeginsWithPict(const RtfGroupNode& node) {
    return !node.words.empty() && node.words.front().name == kPictWord;
}

std::optional<PictureRef> MakePictureRef(int kind, const RtfGroupNode& range,
                                         const RtfGroupNode& picture) {
    if (!BeginsWithPict(picture)) {
        return std::nullopt;
    }
    PictureRef ref;
    ref.kind = kind;
    ref.group_start = range.start;
    ref.group_length = range.length;
    if (picture.has_data) {
        ref.data_start = picture.data_start;
        ref.data_length = picture.data_length;
        ref.data_is_binary = picture.data_is_binary;
    } else {
        ref.data_start = picture.start + picture.length;
    }
    for (const RtfControlWord& word : picture.words) {
        for (const FormatWord& format : kFormatWords) {
            if (StartsWith(word.name, format.word)) {
                ref.extension = format.extension;
            }
        }
        if (StartsWith(word.name, kBlipTagWord)) {
            ref.tag = word.name.substr(kBlipTagWord.size());
        }
    }
    return ref;
}

// The first control word of the group opening at `brace`, without parsing it.
std::string_view FirstControlWord(std::span<const uint8_t> rtf, size_t brace) {
    size_t pos = brace + 1;
    if (pos + 1 < rtf.size() && rtf[pos] == '\\' && rtf[pos + 1] == '*') {
        pos += 2;
    }
    if (pos >= rtf.size() || rtf[pos] != '\\') {
        return {};
    }
    const size_t begin = ++pos;
    while (pos < rtf.size() && rtf[pos] >= 'a' && rtf[pos] <= 'z') {
        ++pos;
    }
    return {reinterpret_cast<const char*>(rtf.data()) + begin, pos - begin};
}

// The brace of the group that directly encloses the picture group: the first
// '{' before it with no '}' in between.
std::optional<size_t> EnclosingBrace(std::span<const uint8_t> rtf, size_t pict_offset) {
    if (pict_offset < 3) {
        return std::nullopt;
    }
    const size_t stop =
        pict_offset - 3 > kWrapperSearchLimit ? pict_offset - 3 - kWrapperSearchLimit : 0;
    for (size_t i = pict_offset - 3 + 1; i-- > stop;) {
        if (rtf[i] == '}') {
            return std::nullopt;
        }
        if (rtf[i] == '{') {
            return i;
        }
    }
    return std::nullopt;
}

// A {\*\shppict} or {\nonshppict} wrapper whose first child is the picture.
std::optional<PictureRef> LocateWrappedPicture(std::span<const uint8_t> rtf, size_t pict_offset) {
    const auto brace = EnclosingBrace(rtf, pict_offset);
    if (!brace) {
        return std::nullopt;
    }
    const std::string_view word = FirstControlWord(rtf, *brace);
    int kind = 0;
    if (word == kShapePictureWord) {
        kind = PictureRef::kShapePicture;
    } else if (word == kNonShapePictureWord) {
        kind = PictureRef::kNonShapePicture;
    } else {
        return std::nullopt;
    }
    const auto wrapper = ParseRtfGroupTree(rtf, *brace);
    if (!wrapper || wrapper->children.empty() ||
        wrapper->children.front().start != pict_offset - 2) {
        return std::nullopt;
    }
    return MakePictureRef(kind, *wrapper, wrapper->children.front());
}

// Byte ranges [start, end) of the outermost {\object} groups, in order.
std::vector<std::pair<size_t, size_t>> FindObjectGroups(std::span<const uint8_t> rtf) {
    std::vector<std::pair<size_t, size_t>> ranges;
    // The open object groups: where each starts and at which depth.
    std::vector<std::pair<size_t, size_t>> open;
    size_t depth = 0;
    size_t groupStart = 0;
    bool groupJustOpened = false;
    RtfTokenizer tokens(rtf);
    for (RtfToken token = tokens.Next(); token.type != RtfToken::kEnd; token = tokens.Next()) {
        if (token.type == RtfToken::kGroupStart) {
            ++depth;
            groupStart = tokens.position() - 1;
            groupJustOpened = true;
            continue;
        }
        if (token.type == RtfToken::kControlWord && groupJustOpened && token.word == kObjectWord) {
            open.emplace_back(groupStart, depth);
        } else if (token.type == RtfToken::kGroupEnd && depth > 0) {
            if (!open.empty() && open.back().second == depth) {
                if (open.size() == 1) {
                    ranges.emplace_back(open.back().first, tokens.position());
                }
                open.pop_back();
            }
            --depth;
        }
        groupJustOpened = false;
    }
    return ranges;
}

}  // namespace

std::vector<size_t> FindPictControlWords(std::span<const uint8_t> rtf) {
    std::vector<size_t> offsets;
    if (rtf.size() < kPictWord.size() + 2) {
        return offsets;
    }
    const std::string_view text(reinterpret_cast<const char*>(rtf.data()), rtf.size());
    for (size_t pos = text.find("\\pict"); pos != std::string_view::npos;
         pos = text.find("\\pict", pos + 1)) {
        const size_t after = pos + 1 + kPictWord.size();
        if (after >= text.size()) {
            break;
        }
        const uint8_t next = rtf[after];
        if (next == '\\' || next == '{' || IsRtfWhiteSpace(next)) {
            offsets.push_back(pos + 1);
        }
    }
    return offsets;
}

std::optional<PictureRef> LocateRtfPicture(std::span<const uint8_t> rtf, size_t pict_offset) {
    if (pict_offset < 2 || pict_offset >= rtf.size() || rtf[pict_offset - 1] != '\\' ||
        rtf[pict_offset - 2] != '{') {
        return std::nullopt;
    }
    if (auto wrapped = LocateWrappedPicture(rtf, pict_offset)) {
        return wrapped;
    }
    const auto group = ParseRtfGroupTree(rtf, pict_offset - 2);
    if (!group) {
        return std::nullopt;
    }
    return MakePictureRef(PictureRef::kPlain, *group, *group);
}

std::vector<PictureRef> FindRtfPictures(std::span<const uint8_t> rtf) {
    std::vector<PictureRef> pictures;
    const std::vector<size_t> offsets = FindPictControlWords(rtf);
    if (offsets.empty()) {
        return pictures;  // most bodies: no need to tokenize for objects
    }
    // The result picture of an {\object} group only shows the object, which
    // the message carries as an attachment of its own: it is left where it
    // is instead of being taken out as a second copy.
    const std::vector<std::pair<size_t, size_t>> objects = FindObjectGroups(rtf);
    auto object = objects.begin();
    for (const size_t offset : offsets) {
        while (object != objects.end() && object->second <= offset) {
            ++object;
        }
        if (object != objects.end() && object->first < offset) {
            continue;
        }
        if (auto picture = LocateRtfPicture(rtf, offset)) {
            pictures.push_back(std::move(*picture));
        }
    }
    return pictures;
}

}  // namespace mailwright::text
