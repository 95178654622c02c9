#include "text/rtf_picture_extract.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system_log.h"

namespace mailwright::text {
namespace {

constexpr std::string_view kImageNamePrefix = "Image ";
constexpr std::string_view kMarkerPrefix = "{\\rtfltr\\fs16 <<< Attachment : ";
constexpr std::string_view kMarkerSuffix = " >>>}";

std::optional<uint8_t> HexDigitValue(uint8_t c) {
    if (c >= '0' && c <= '9') {
        return static_cast<uint8_t>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<uint8_t>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<uint8_t>(c - 'A' + 10);
    }
    return std::nullopt;
}

bool IsBlank(uint8_t byte) {
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n' || byte == '\v' ||
           byte == '\f';
}

bool WithinRtf(size_t start, size_t length, size_t size) {
    return start <= size && length <= size - start;
}

std::string PictureName(const PictureRef& ref) {
    std::string name(kImageNamePrefix);
    name += ref.tag;
    name += '.';
    name += ref.extension;
    return name;
}

// End of the bytes a picture's marker replaces: the group itself, and for a
// {\*\shppict} group also the {\nonshppict} copy that follows it with nothing
// but white space in between.
size_t ReplacedRangeEnd(std::span<const uint8_t> rtf, const std::vector<PictureRef>& refs,
                        size_t index) {
    const PictureRef& ref = refs[index];
    const size_t end = ref.group_start + ref.group_length;
    if (ref.kind != PictureRef::kShapePicture || index + 1 >= refs.size()) {
        return end;
    }
    const PictureRef& next = refs[index + 1];
    if (next.kind != PictureRef::kNonShapePicture || next.group_start < end ||
        !WithinRtf(next.group_start, next.group_length, rtf.size())) {
        return end;
    }
    const auto gap = rtf.subspan(end, next.group_start - end);
    if (!std::all_of(gap.begin(), gap.end(), IsBlank)) {
        return end;
    }
    return next.group_start + next.group_length;
}

bool HasPictureNamed(const std::vector<RtfPicture>& pictures, const std::string& name) {
    return std::any_of(pictures.begin(), pictures.end(),
                       [&](const RtfPicture& picture) { return picture.name == name; });
}

// The name the picture is attached under: that of a picture already taken
// with the same \bliptag in another format, else its own. Word writes a
// shape's picture twice with one tag, as the shape's own blip and as the
// fallback rendering (often a metafile) for readers without shapes: both
// are the one picture.
std::string AttachedName(const std::vector<RtfPicture>& pictures, const PictureRef& ref) {
    if (!ref.tag.empty()) {
        const std::string sameTag = std::string(kImageNamePrefix) + ref.tag + '.';
        for (const RtfPicture& picture : pictures) {
            if (picture.name.starts_with(sameTag) &&
                picture.name.find('.', sameTag.size()) == std::string::npos) {
                return picture.name;
            }
        }
    }
    return PictureName(ref);
}

}  // namespace

std::vector<uint8_t> DecodeRtfHexData(std::span<const uint8_t> text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    int high = -1;
    for (const uint8_t c : text) {
        const auto value = HexDigitValue(c);
        if (!value) {
            continue;
        }
        if (high < 0) {
            high = *value;
        } else {
            bytes.push_back(static_cast<uint8_t>(high << 4 | *value));
            high = -1;
        }
    }
    return bytes;
}

std::vector<uint8_t> ExtractRtfPictures(std::span<const uint8_t> rtf,
                                        const std::vector<PictureRef>& refs,
                                        std::vector<RtfPicture>& pictures) {
    std::vector<uint8_t> out;
    out.reserve(rtf.size());
    size_t copy_position = 0;
    for (size_t i = 0; i < refs.size(); ++i) {
        const PictureRef& ref = refs[i];
        if (ref.kind == PictureRef::kNonShapePicture) {
            continue;  // replaced together with the {\*\shppict} group before it
        }
        if (!WithinRtf(ref.group_start, ref.group_length, rtf.size()) ||
            !WithinRtf(ref.data_start, ref.data_length, rtf.size())) {
            continue;
        }
        if (ref.group_start < copy_position) {
            platform::log_line("Hey ! Be careful.");
            continue;
        }
        const size_t range_end = ReplacedRangeEnd(rtf, refs, i);
        const std::string name = AttachedName(pictures, ref);

        out.insert(out.end(), rtf.begin() + static_cast<ptrdiff_t>(copy_position),
                   rtf.begin() + static_cast<ptrdiff_t>(ref.group_start));
        out.insert(out.end(), kMarkerPrefix.begin(), kMarkerPrefix.end());
        out.insert(out.end(), name.begin(), name.end());
        out.insert(out.end(), kMarkerSuffix.begin(), kMarkerSuffix.end());
        copy_position = range_end;

        if (!HasPictureNamed(pictures, name)) {
            const auto data = rtf.subspan(ref.data_start, ref.data_length);
            RtfPicture picture;
            picture.name = name;
            if (ref.data_is_binary) {
                picture.data.assign(data.begin(), data.end());
            } else {
                picture.data = DecodeRtfHexData(data);
            }
            pictures.push_back(std::move(picture));
        }
    }
    out.insert(out.end(), rtf.begin() + static_cast<ptrdiff_t>(copy_position), rtf.end());
    return out;
}

}  // namespace mailwright::text
