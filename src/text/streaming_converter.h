// Block-wise conversion from one code page to another.
//
// A multi-byte sequence cut at the seam between two blocks is carried into the
// next block instead of becoming a substitution character, so converting a
// text in blocks gives exactly the bytes of converting it whole.
#pragma once

#include <unicode/ucnv.h>

#include <string>

#include "text/code_page_conversion.h"
#include "text/code_page_table.h"
#include "text/icu_converter.h"

namespace mailwright::text {

class StreamingConverter {
public:
    // Opens both converters; throws std::runtime_error "StreamingConverter:
    // Invalid source converter." or "StreamingConverter: Invalid target
    // converter." when one does not open.
    StreamingConverter(const TextEncodingItem& from, const TextEncodingItem& to);

    // Converts the next block and returns the bytes it completes. Pass
    // last = true with the final block (which may be empty) to flush pending
    // state; the converter is then ready for a new text. Throws
    // std::runtime_error on a conversion error.
    std::string convert(ByteInput block, bool last);

    // As above, appending to out.
    void convert(ByteInput block, bool last, std::string& out);

    // Drops any pending state and starts a new text.
    void reset();

private:
    detail::pooled_converter from_;
    detail::pooled_converter to_;
    std::u16string pivot_;
};

}  // namespace mailwright::text
