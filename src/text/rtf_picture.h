#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mailwright::text {

// One picture found in an RTF body.
struct PictureRef {
    // How the picture sits in the RTF: a plain {\pict} group, the {\*\shppict}
    // wrapper of a Word picture, or the {\nonshppict} fallback copy that
    // follows such a wrapper.
    enum Kind : int { kPlain = 0, kShapePicture = 1, kNonShapePicture = 2 };

    int kind = kPlain;
    size_t group_start = 0;  // byte range of the whole group, braces included
    size_t group_length = 0;
    size_t data_start = 0;  // byte range of the picture data inside the group
    size_t data_length = 0;
    bool data_is_binary = false;  // data followed \binN; otherwise it is hexadecimal text
    std::string extension;        // "png", "jpg", "wmf", "emf", "pict" or empty
    std::string tag;              // the number of \bliptagN, or empty
};

// An attachment made from a picture of an RTF body.
struct RtfPicture {
    std::string name;
    std::vector<uint8_t> data;
    // True when `data` is to be written as it stands rather than base64-encoded.
    // Pictures given as hexadecimal text are decoded to their bytes, so this is
    // false for every picture ExtractRtfPictures makes.
    bool data_is_text = false;
};

}  // namespace mailwright::text
