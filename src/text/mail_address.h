#pragma once

#include <string>
#include <string_view>

namespace mailwright::text {

// True when the text (up to its first NUL) has an at sign and a full stop
// somewhere after it.
bool LooksLikeEmail(std::u16string_view text);
bool LooksLikeEmail(std::string_view text);

// Appends one address of an address header (From, To, Cc ...) to `out`:
//   "Name" <address>      a display name and an address
//   "address" <address>   no display name
//   "Name" <DN@x-ex.invalid>   only an address of another type (an
//                         Exchange DN): ForeignAddress
//   "Name": ;             no usable address: the name as an empty group
//   (nothing)             neither a name nor an address
// The address is `primary` when it is not empty and `address_type` is empty or
// "SMTP", else `secondary` when not empty, else `fallback` when it looks like an
// e-mail address. Names and addresses go through EncodeHeaderText; `line_end`
// is used when a long name is folded.
void FormatMailAddress(std::u16string_view display_name, std::u16string_view primary,
                       std::u16string_view address_type, std::u16string_view secondary,
                       std::u16string_view fallback, std::string& out,
                       std::string_view line_end = "\r\n");

// An address of a type other than SMTP as a valid but undeliverable RFC 5322
// address: the address as the local part (a quoted string unless it is a
// dot-atom) at "x-<type>.invalid", so that an Exchange DN "/O=ORG/CN=ANN"
// becomes /O=ORG/CN=ANN@x-ex.invalid. Empty when the address is empty or
// holds characters other than printable ASCII and blanks, or the type has no
// letters or digits.
std::string ForeignAddress(std::u16string_view address, std::u16string_view address_type);

}  // namespace mailwright::text
