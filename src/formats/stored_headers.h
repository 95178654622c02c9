// The message's stored Internet headers (PidTagTransportMessageHeaders) as
// the header block of the written message: the headers of the message as it
// was received, without the Content-* headers of its original MIME
// structure, which the writer replaces with its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mailwright::formats {

// The MIME-Version line written in place of a stored one.
inline constexpr std::string_view kProcessedMimeVersion =
    "MIME-Version: 1.0 (Processed through Mailwright MIME Engine V 2.1)";

// Filters stored header text (UTF-8) into a header block whose lines end
// with `eol`; nothing when the block is unusable, which is when no header
// line begins with "From" or none with "Date" (any case).
//
// The text is split into lines at LF; a trailing CR is removed and empty
// lines are dropped. A line beginning with a blank or tab continues the
// header before it. Any other line is a header line when its first word is a
// field name followed by a colon (directly, or after blanks, which are
// removed); a line that is neither is skipped, and a line beginning with "-"
// ends the block. Header lines beginning with "Content-", and the mailbox
// flags "Status" and "X-Status" (the writer adds its own from the item's
// read flag), are dropped with their continuation lines; the first
// "MIME-Version" line becomes kProcessedMimeVersion (a block without one
// gets it at its end) and later ones are dropped; every other header line
// is kept with its continuation lines. A CR inside a line becomes a blank, and continuation
// lines before the first header line are dropped, so that no reader takes
// the block for anything but headers.
std::optional<std::string> FilterStoredHeaders(std::string_view stored, std::string_view eol);

// The value of the first header line named `name` (any case) in stored
// header text, read by the same line rules: its continuation lines joined
// to it without their line ends, leading and trailing blanks removed;
// nothing when there is no such line or its value is empty.
std::optional<std::string> StoredHeaderValue(std::string_view stored, std::string_view name);

}  // namespace mailwright::formats
