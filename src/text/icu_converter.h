// Thin helpers over ICU converters shared by the code page conversions.
//
// Conversions grow their output as needed, so a whole value is always
// converted in full; input of any size is handled without int32 limits.
#pragma once

#include <unicode/ucnv.h>

#include <cstddef>
#include <string>

#include "text/code_page_table.h"

namespace mailwright::text::detail {

// Opens a converter by name; an empty pointer when it cannot be opened. ICU's
// U_AMBIGUOUS_ALIAS_WARNING (e.g. for "windows-1252") counts as success.
icu::LocalUConverterPointer open_converter(const char* name);

// Opens the converter of a code page table row (see ConverterName).
icu::LocalUConverterPointer open_converter(const TextEncodingItem& row);

// A converter lent by the calling thread's pool: opening one costs more than
// most of the short values it converts. On destruction it is reset and goes
// back to that pool, so a converter never serves two threads. Borrowers must
// leave its callbacks and substitution as opened (ConvertsWithoutLoss, which
// changes them, opens its own). Null when the converter cannot be opened.
class pooled_converter {
public:
    explicit pooled_converter(const char* name);
    explicit pooled_converter(const TextEncodingItem& row);
    ~pooled_converter();
    pooled_converter(pooled_converter&& other) noexcept;
    pooled_converter& operator=(pooled_converter&& other) noexcept;
    pooled_converter(const pooled_converter&) = delete;
    pooled_converter& operator=(const pooled_converter&) = delete;

    bool isNull() const { return converter_ == nullptr; }
    UConverter* getAlias() const { return converter_; }

private:
    std::string name_;
    UConverter* converter_ = nullptr;
};

// Converts bytes to UTF-16 and appends the result. With flush false an
// incomplete trailing sequence stays in the converter for the next call.
// Returns false when ICU reports an error.
bool append_to_utf16(UConverter* converter, const char* data, std::size_t size, bool flush,
                     std::u16string& out);

// Converts UTF-16 to bytes and appends the result. With flush false a trailing
// lead surrogate (and any pending state) stays in the converter. Returns false
// when ICU reports an error.
bool append_from_utf16(UConverter* converter, const char16_t* data, std::size_t size, bool flush,
                       std::string& out);

}  // namespace mailwright::text::detail
