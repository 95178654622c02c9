// Text for generated mailboxes: a few languages with people, subjects and
// sentences, and the plain, HTML and RTF forms of a body made from them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/prng.h"

namespace pstbuild::sample {

struct SamplePerson {
    const char* name;
    const char* email;
};

struct Language {
    const char* code;  // "en", "de", ...
    std::span<const SamplePerson> people;
    std::span<const char* const> subjects;
    std::span<const char* const> sentences;
    std::span<const char* const> folder_names;
    std::span<const char* const> meetings;  // appointment subjects
    std::span<const char* const> places;
    const char* reply_prefix;    // "RE: ", "AW: ", ...
    const char* forward_prefix;  // "FW: ", "WG: ", ...
    const char* greeting;
    const char* closing;
    // Internet code pages its mail is sent in (PidTagInternetCodepage).
    std::span<const unsigned> code_pages;
};

std::span<const Language> languages();

// The languages whose text the code page can hold (all for Unicode files,
// where `code_page` is 0).
std::vector<const Language*> languages_for(unsigned code_page);

// Sentences of the language until the text is at least `min_length` bytes
// long, as paragraphs separated by blank lines (CR LF line ends).
std::string paragraphs(const Language& language, Prng& rng, std::size_t min_length);

// A plain text body: greeting, paragraphs, closing and the sender's name.
std::string plain_body(const Language& language, Prng& rng, std::size_t min_length,
                       std::string_view signature);

// The HTML form of a plain body, declaring `charset`; `inline_images` are
// content ids shown as images after the text.
std::string html_body(std::string_view plain, std::string_view charset,
                      const std::vector<std::string>& inline_images = {});

// RTF holding the text (non-ASCII characters as \uN escapes).
std::string rtf_body(std::string_view plain, unsigned ansi_code_page);

// RTF that encapsulates an HTML body ([MS-OXRTFEX]): \fromhtml1 with the
// markup in \*\htmltag groups.
std::string rtf_encapsulated_html(std::string_view plain, unsigned ansi_code_page);

// Helpers for generated Internet headers.
std::string base64(std::string_view bytes);
// "=?utf-8?B?...?=" unless the text is plain ASCII.
std::string header_word(std::string_view utf8);
// RFC 5322 date ("Tue, 05 Mar 2024 10:15:00 +0000") of a Unix time.
std::string rfc822_date(std::int64_t unix_seconds);

}  // namespace pstbuild::sample
