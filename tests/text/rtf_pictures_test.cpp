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

// Pictures are taken out of the RTF into attachments, each group replaced
// by a marker naming its attachment.
TEST(RtfPictures, PicturesBecomeMarkersAndAttachments) {
    const std::string shape =
        "{\\*\\shppict{\\pict{\\*\\picprop{\\sp{\\sn x}{\\sv 1}}}\\picw10\\pich10\\pngblip"
        "\\bliptag-1053 89504E47\r\n0d0a1a0a}}";
    const std::string companion = "{\\nonshppict{\\pict\\picw10\\wmetafile8 010009000003}}";
    const std::string tagged4 = "{\\pict\\pngblip\\bliptag4 AA}";
    const std::string object =
        "{\\object\\objemb{\\*\\objdata 01}{\\result {\\pict\\wmetafile8\\bliptag7 AA}}}";
    const auto tag5 = [](const std::string& words) {
        return "{\\rtf1 {\\pict" + words + "\\bliptag5 00}}";
    };
    const auto marked = [](const std::string& name) { return "{\\rtf1 " + Marker(name) + "}"; };
    struct Case {
        std::string rtf;
        std::string marked;
        std::vector<std::pair<std::string, std::string>> pictures;  // name, data
        std::vector<RtfPicture> existing = {};
    };
    const Case cases[] = {
        // A shape picture and its companion are one picture; hexadecimal
        // text is decoded to the picture's bytes.
        {"{\\rtf1 before " + shape + "\r\n" + companion + " after}",
         "{\\rtf1 before " + Marker("Image -1053.png") + " after}",
         {{"Image -1053.png", "\x89PNG\r\n\x1A\n"}}},
        // Names come from the format words and the tag.
        {tag5("\\wmetafile8"), marked("Image 5.wmf"), {{"Image 5.wmf", std::string(1, '\0')}}},
        {tag5("\\macpict"), marked("Image 5.pict"), {{"Image 5.pict", std::string(1, '\0')}}},
        {tag5("\\dibitmap0"), marked("Image 5.emf"), {{"Image 5.emf", std::string(1, '\0')}}},
        {tag5("\\pngblip\\jpegblip"),
         marked("Image 5.jpg"),
         {{"Image 5.jpg", std::string(1, '\0')}}},
        {tag5("\\picw3"), marked("Image 5."), {{"Image 5.", std::string(1, '\0')}}},
        {"{\\rtf1 {\\pict\\wmetafile8 00}}",
         marked("Image .wmf"),
         {{"Image .wmf", std::string(1, '\0')}}},
        // Binary data may hold braces and backslashes.
        {"{\\rtf1 {\\pict\\jpegblip\\bliptag9\\bin5 " + std::string("\xFF\xD8}{\\", 5) + "} x}",
         "{\\rtf1 " + Marker("Image 9.jpg") + " x}",
         {{"Image 9.jpg", "\xFF\xD8}{\\"}}},
        // The enclosing-group search meets a '}' first; the picture's own
        // group is still taken out.
        {"{\\rtf1 {\\b x}{\\pict\\pngblip\\bliptag3 01 0\r\n2zz}y}",
         "{\\rtf1 {\\b x}" + Marker("Image 3.png") + "y}",
         {{"Image 3.png", "\x01\x02"}}},
        // A name is attached once but marked each time; the caller's entry
        // of a name stays as it was.
        {"{\\rtf1 " + tagged4 + " and " + tagged4 + "{\\pict\\pngblip\\bliptag8 BB}}",
         "{\\rtf1 " + Marker("Image 4.png") + " and " + Marker("Image 4.png") +
             Marker("Image 8.png") + "}",
         {{"Image 8.png", "\x01"}, {"Image 4.png", "\xAA"}},
         {{"Image 8.png", {1}, false}}},
        // An object's result picture renders the object attachment.
        {"{\\rtf1 " + object + " {\\pict\\pngblip\\bliptag8 BB}}", "", {{"Image 8.png", "\xBB"}}},
        // Never closed: no object can be told apart, the picture is kept.
        {"{\\rtf1 {\\object {\\result {\\pict\\pngblip\\bliptag2 AA}}",
         "",
         {{"Image 2.png", "\xAA"}}},
        // A shape's blip and its metafile rendering share their tag.
        {"{\\rtf1 {\\pict\\pngblip\\bliptag5 AA} {\\pict\\wmetafile8\\bliptag5 BB} "
         "{\\pict\\jpegblip\\bliptag55 CC}}",
         "{\\rtf1 " + Marker("Image 5.png") + " " + Marker("Image 5.png") + " " +
             Marker("Image 55.jpg") + "}",
         {{"Image 5.png", "\xAA"}, {"Image 55.jpg", "\xCC"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rtf);
        const auto extracted = Extract(c.rtf, c.existing);
        if (!c.marked.empty()) {
            EXPECT_EQ(extracted.rtf, c.marked);
        }
        std::vector<std::pair<std::string, std::string>> pictures;
        for (const auto& picture : extracted.pictures) {
            pictures.emplace_back(picture.name, AsText(picture.data));
            EXPECT_FALSE(picture.data_is_text);
        }
        EXPECT_EQ(pictures, c.pictures);
    }
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
