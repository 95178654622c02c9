// What the MIME writer's output of a PST message must hold, read from the
// PST itself: the plain body as text, the stored HTML body's bytes, the
// number of HTML bodies made from RTF, and the payload of every attachment
// (RTF pictures and the attachments of embedded messages included).
#pragma once

#include <cstdint>
#include <string>

#include "formats/body_code_pages.h"
#include "formats/python_check.h"
#include "formats/secure_kind.h"
#include "formats/stored_headers.h"
#include "pstread/ltp/hnid_stream.h"
#include "pstread/pst/message.h"
#include "pstread/pst/property_ids.h"
#include "text/code_page_table.h"
#include "text/rtf_decompress.h"
#include "text/rtf_picture_extract.h"
#include "text/rtf_to_html.h"
#include "text/whole_value_conversion.h"

namespace mimetest {

inline std::string read_value(const pstread::const_property_object& object, pstread::prop_id id) {
    pstread::hnid_istream in(object.open_value_stream(id));
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The row 8-bit bodies of the message are stored in: its Internet code page
// when that has a converter (and is not UTF-16/32), else the PST's.
inline const mailwright::text::TextEncodingItem* body_row(
    const pstread::property_bag& bag, const mailwright::text::TextEncodingItem* fallback) {
    if (bag.has_property(pstread::pid_tag_internet_codepage) &&
        bag.property_type(pstread::pid_tag_internet_codepage) == pstread::prop_type_long) {
        const std::uint32_t cp = bag.inline_value_4(pstread::pid_tag_internet_codepage);
        const auto* row = cp == 0 ? nullptr : mailwright::text::GetCodePageInfo(cp);
        if (row != nullptr && !mailwright::formats::IsWideUnicodeCodePage(cp)) {
            return row;
        }
    }
    return fallback;
}

inline ExpectedMessage expect_from_pst(pstread::message& m,
                                       const mailwright::text::TextEncodingItem* charset) {
    using namespace mailwright;
    ExpectedMessage expected;
    pstread::property_bag& bag = m.get_property_bag();
    bag.set_charset(charset);
    if (bag.has_property(pstread::pid_tag_transport_message_headers)) {
        expected.synthesized = !formats::FilterStoredHeaders(
            bag.read_utf8string(pstread::pid_tag_transport_message_headers), "\r\n");
    }
    const int kind = formats::SecureKind(m);
    if (kind == formats::kSecureKindSigned) {
        expected.kind = "signed";
        return expected;
    }
    if (kind == formats::kSecureKindOpaque) {
        expected.kind = "opaque";
        const pstread::attachment a = *m.attachment_begin();
        if (a.get_property_bag().has_property(pstread::pid_tag_attach_data_binary)) {
            expected.attachments.push_back(read_value(a.get_property_bag(), 0x3701));
        }
        return expected;
    }
    if (bag.has_property(pstread::pid_tag_body)) {
        const std::string raw = read_value(bag, pstread::pid_tag_body);
        const bool unicode = bag.property_type(pstread::pid_tag_body) == pstread::prop_type_unicode;
        expected.plain.push_back(
            text::bytes_to_utf8string(raw, unicode ? &text::Utf16LeRow() : body_row(bag, charset)));
    }
    if (bag.has_property(pstread::pid_tag_body_html)) {
        std::string html = read_value(bag, pstread::pid_tag_body_html);
        if (bag.property_type(pstread::pid_tag_body_html) == pstread::prop_type_unicode) {
            html = text::bytes_to_utf8string(html, &text::Utf16LeRow());
        }
        expected.html.push_back(html);
    } else if (bag.has_property(pstread::pid_tag_rtf_compressed)) {
        try {
            const auto rtf = text::DecompressRtf(bag.read_bytes(pstread::pid_tag_rtf_compressed));
            std::vector<text::RtfPicture> pictures;
            const auto marked = text::ExtractRtfPictures(rtf.rtf, rtf.pictures, pictures);
            const auto html = text::RtfToHtml(marked);
            if (html && !html->empty()) {
                ++expected.htmlFromRtf;
                for (const auto& p : pictures) {
                    expected.attachments.emplace_back(p.data.begin(), p.data.end());
                }
            }
        } catch (const std::exception&) {
        }
    }
    for (pstread::attachment a : m.attachments()) {
        const pstread::property_bag& ab = a.get_property_bag();
        if (ab.has_property(pstread::pid_tag_attachment_flags) &&
            (ab.inline_value_4(pstread::pid_tag_attachment_flags) & 0x2) != 0) {
            continue;
        }
        if (!ab.has_property(pstread::pid_tag_attach_method) ||
            !ab.has_property(pstread::pid_tag_attach_data_binary)) {
            continue;
        }
        const std::uint32_t method = ab.inline_value_4(pstread::pid_tag_attach_method);
        if (method == pstread::attach_method_storage) {
            pstread::hnid_istream in(a.open_object_stream());
            expected.attachments.emplace_back(std::istreambuf_iterator<char>(in),
                                              std::istreambuf_iterator<char>());
        } else if (method == pstread::attach_method_by_value) {
            expected.attachments.push_back(read_value(ab, pstread::pid_tag_attach_data_binary));
        } else if (method == pstread::attach_method_embedded_message) {
            pstread::message inner = a.open_as_message();
            expected.add(expect_from_pst(inner, charset));
        }
    }
    return expected;
}

}  // namespace mimetest
