// The header block the MIME writer makes from a message's properties when
// the message has no usable stored Internet headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/item_identity.h"
#include "pstread/pst/message.h"
#include "text/date_format.h"
#include "text/time_zone.h"

namespace mailwright::formats {

// The MIME-Version line of a synthesized block.
inline constexpr std::string_view kConvertedMimeVersion =
    "MIME-Version: 1.0 (Converted by Mailwright MIME Engine V 2.0)";
// The Received line that stands beside the synthesized Date.
inline constexpr std::string_view kSynthesizedReceived =
    "Received: by localhost (Synthesized by Mailwright Same as Date); ";

struct SynthesizedHeaderContext {
    std::string_view eol;
    const text::DateTimeZone* zone = nullptr;
    text::SharedDateFormatter* formatter = nullptr;
    // For a Message-ID when the message has none: "<UUID@localhost>".
    ItemIdentity identity;
    std::optional<std::u16string_view> subjectPrefix;
};

// Appends "Status: R" (read) or "Status: N" and `eol` when the message has
// PidTagMessageFlags: the mailbox flag of both header blocks, the stored
// one's own flags having been dropped.
void WriteStatusHeader(const pstread::property_bag& bag, std::string_view eol, std::string& out);

// Appends the block to `out`, in this order, each header only when its
// source is present and not empty: Return-Path, Status, From, Sender, To,
// Cc, Bcc, Reply-To, Date with Delivery-Date and Received, Subject,
// Message-ID, Priority and X-Priority, Importance, In-Reply-To, References,
// MIME-Version.
void WriteSynthesizedHeaders(const pstread::message& message,
                             const SynthesizedHeaderContext& context, std::string& out);

}  // namespace mailwright::formats
