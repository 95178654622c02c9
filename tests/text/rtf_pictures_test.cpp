#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/rtf_decompress.h"
#include "text/rtf_picture_extract.h"
#include "text/rtf_picture_scan.h"
#include "text/rtf_samples.h"

namespace mailwright::text {
namespace {

using rtf_test::AsText;
using rtf_test::Bytes;

struct Extracted {
    std::string rtf;
    std::vector<RtfPicture> pictures;
};

Extracted Extract(const std::string& rtf, std::vector<RtfPicture> pictures = {}) {
    const auto bytes = Bytes(rtf);
    const auto refs = FindRtfPictures(bytes);
    const auto out = ExtractRtfPictures(bytes, refs, pictures);
    return {std::string(AsText(out)), std::move(pictures)};
}

std::string Marker(const std::string& name) {
    return "{\\rtfltr\\fs16 <<< Attachment : " + name + " >>>}";
}

std::vector<uint8_t> Data(std::initializer_list<int> values) {
    std::vector<uint8_t> bytes;
    for (const int v : values) {
        bytes.push_back(static_cast<uint8_t>(v));
    }
    return bytes;
}

const std::string kShapePicture =
    "{\\*\\shppict{\\pict{\\*\\picprop{\\sp{\\sn x}{\\sv 1}}}\\picw10\\pich10\\pngblip"
    "\\bliptag-1053 89504E47\r\n0d0a1a0a}}";
const std::string kCompanion = "{\\nonshppict{\\pict\\picw10\\wmetafile8 010009000003}}";

TEST(RtfPictures, ShapePictureAndCompanionBecomeOneMarker) {
    const std::string rtf = "{\\rtf1 before " + kShapePicture + "\r\n" + kCompanion + " after}";
    const auto extracted = Extract(rtf);
    EXPECT_EQ(extracted.rtf, "{\\rtf1 before " + Marker("Image -1053.png") + " after}");
    ASSERT_EQ(extracted.pictures.size(), 1u);
    // Hexadecimal text is decoded: the attachment holds the picture's bytes.
    EXPECT_EQ(extracted.pictures[0].data, Data({0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}));
    EXPECT_FALSE(extracted.pictures[0].data_is_text);
}

TEST(RtfPictures, NamesFromFormatWordsAndTag) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\\wmetafile8", "Image 5.wmf"}, {"\\macpict", "Image 5.pict"},
        {"\\dibitmap0", "Image 5.emf"},  {"\\pngblip\\jpegblip", "Image 5.jpg"},
        {"\\picw3", "Image 5."},
    };
    for (const auto& [words, name] : cases) {
        const auto extracted = Extract("{\\rtf1 {\\pict" + words + "\\bliptag5 00}}");
        ASSERT_EQ(extracted.pictures.size(), 1u) << words;
        EXPECT_EQ(extracted.pictures[0].name, name) << words;
    }
    // No \bliptag: "Image " directly followed by "." and the extension.
    EXPECT_EQ(Extract("{\\rtf1 {\\pict\\wmetafile8 00}}").pictures.at(0).name, "Image .wmf");
}

TEST(RtfPictures, BinaryDataAndPicturesAfterAClosedGroupAreTakenOut) {
    struct Case {
        std::string rtf;
        std::vector<uint8_t> data;
        std::string marked;
    };
    const Case cases[] = {
        {"{\\rtf1 {\\pict\\jpegblip\\bliptag9\\bin5 " + std::string("\xFF\xD8}{\\", 5) + "} x}",
         Data({0xFF, 0xD8, '}', '{', '\\'}), "{\\rtf1 " + Marker("Image 9.jpg") + " x}"},
        // The enclosing-group search meets a '}' first; the picture's own
        // group is still taken out.
        {"{\\rtf1 {\\b x}{\\pict\\pngblip\\bliptag3 01 0\r\n2zz}y}", Data({1, 2}),
         "{\\rtf1 {\\b x}" + Marker("Image 3.png") + "y}"},
    };
    for (const Case& c : cases) {
        const auto extracted = Extract(c.rtf);
        ASSERT_EQ(extracted.pictures.size(), 1u);
        EXPECT_EQ(extracted.pictures[0].data, c.data);
        EXPECT_EQ(extracted.rtf, c.marked);
    }
}

TEST(RtfPictures, SameNameIsAttachedOnceButMarkedTwice) {
    const std::string picture = "{\\pict\\pngblip\\bliptag4 AA}";
    std::vector<RtfPicture> existing = {{"Image 8.png", {1}, false}};
    const auto extracted = Extract(
        "{\\rtf1 " + picture + " and " + picture + "{\\pict\\pngblip\\bliptag8 BB}}", existing);
    EXPECT_EQ(extracted.rtf, "{\\rtf1 " + Marker("Image 4.png") + " and " + Marker("Image 4.png") +
                                 Marker("Image 8.png") + "}");
    ASSERT_EQ(extracted.pictures.size(), 2u);
    EXPECT_EQ(extracted.pictures[1].name, "Image 4.png");
    EXPECT_EQ(extracted.pictures[1].data, Data({0xAA}));
    EXPECT_EQ(extracted.pictures[0].data, Data({1}));  // the caller's entry stays as it was
}

TEST(RtfPictures, ObjectResultsAndOtherFormatsOfATakenPictureAreNotAttachedAgain) {
    const std::string object =
        "{\\object\\objemb{\\*\\objdata 01}{\\result {\\pict\\wmetafile8\\bliptag7 AA}}}";
    const struct {
        std::string rtf;
        std::vector<std::string> names;
    } cases[] = {
        // An object's result picture renders the object attachment.
        {"{\\rtf1 " + object + " {\\pict\\pngblip\\bliptag8 BB}}", {"Image 8.png"}},
        // Never closed: no object can be told apart, the picture is kept.
        {"{\\rtf1 {\\object {\\result {\\pict\\pngblip\\bliptag2 AA}}", {"Image 2.png"}},
        // A shape's blip and its metafile rendering share their tag.
        {"{\\rtf1 {\\pict\\pngblip\\bliptag5 AA} {\\pict\\wmetafile8\\bliptag5 BB} "
         "{\\pict\\jpegblip\\bliptag55 CC}}",
         {"Image 5.png", "Image 55.jpg"}},
    };
    for (const auto& c : cases) {
        const auto extracted = Extract(c.rtf);
        std::vector<std::string> names;
        for (const auto& picture : extracted.pictures) {
            names.push_back(picture.name);
        }
        EXPECT_EQ(names, c.names) << c.rtf;
    }
    EXPECT_EQ(Extract(cases[2].rtf).rtf, "{\\rtf1 " + Marker("Image 5.png") + " " +
                                             Marker("Image 5.png") + " " + Marker("Image 55.jpg") +
                                             "}");
}

TEST(RtfPictures, GroupsThatAreNotPicturesYieldNothing) {
    const std::vector<std::string> cases = {
        "{\\rtf1 \\pict x}",            // no group of its own
        "{\\rtf1 {\\pict\\pngblip 00",  // never closed
        "{\\rtf1 {\\pict\\bin99 00}}",  // \bin past the end
        "{\\rtf1 {\\pict" + std::string(100, '{') + std::string(100, '}') + "}}",  // too deep
        "{\\rtf1 {\\*\\shppict{\\b x}{\\pict 00}}}",  // picture not the first child
    };
    for (const auto& rtf : cases) {
        const auto refs = FindRtfPictures(Bytes(rtf));
        for (const auto& ref : refs) {
            EXPECT_EQ(ref.kind, PictureRef::kPlain) << rtf;  // at most its own group
        }
        EXPECT_LE(refs.size(), 1u) << rtf;
    }
    EXPECT_TRUE(FindRtfPictures(Bytes("{\\rtf1 {\\pict\\pngblip 00")).empty());
    EXPECT_TRUE(FindRtfPictures(Bytes("{\\rtf1 {\\pict\\bin99 00}}")).empty());
}

}  // namespace
}  // namespace mailwright::text
