#include "formats/body_copy.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "text/icu_converter.h"
#include "text/streaming_converter.h"

namespace mailwright::formats {

using text::TextEncodingItem;

namespace {

// The block a body is read into: one per thread, kept and never zeroed (only
// what a read filled is used). A fresh zeroed block for every body cost more
// than the copying.
char* ReadBlock() {
    thread_local const std::unique_ptr<char[]> block =
        std::make_unique_for_overwrite<char[]>(kFilteredCopyBlock);
    return block.get();
}

}  // namespace

void CopyBody(std::istream& in, std::ostream& out, const TextEncodingItem* source,
              const TextEncodingItem* target, BodyFilter* filter) {
    const bool convert = source != nullptr && target != nullptr && source != target;
    const std::size_t blockSize = filter == nullptr
                                      ? kPlainCopyBlock
                                      : (convert ? kFilteredConversionBlock : kFilteredCopyBlock);
    std::optional<text::StreamingConverter> converter;
    if (convert) {
        converter.emplace(*source, *target);
    }
    char* const block = ReadBlock();
    std::string converted;
    bool last = false;
    while (!last) {
        in.read(block, static_cast<std::streamsize>(blockSize));
        const auto count = static_cast<std::size_t>(in.gcount());
        last = !in;
        std::string_view piece(block, count);
        if (converter) {
            converted.clear();
            converter->convert(text::ByteInput(piece), last, converted);
            piece = converted;
        }
        if (filter != nullptr) {
            filter->write(piece, last);
        } else {
            out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        }
    }
}

namespace {

// Converts UTF-16 into `target` only to see whether it fits; false when a
// character has no form there.
bool fitsTarget(UConverter* target, const std::u16string& text, bool flush) {
    char scratch[4096];
    const UChar* position = text.data();
    const UChar* const end = text.data() + text.size();
    for (;;) {
        UErrorCode status = U_ZERO_ERROR;
        char* written = scratch;
        ucnv_fromUnicode(target, &written, scratch + sizeof scratch, &position, end, nullptr, flush,
                         &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            continue;
        }
        return U_SUCCESS(status);
    }
}

}  // namespace

bool ConvertsWithoutLoss(std::istream& in, const TextEncodingItem& source,
                         const TextEncodingItem& target, std::string* converted) {
    icu::LocalUConverterPointer from = text::detail::open_converter(source);
    icu::LocalUConverterPointer to = text::detail::open_converter(target);
    if (from.isNull() || to.isNull()) {
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(to.getAlias(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    if (U_FAILURE(status)) {
        return false;
    }
    if (converted != nullptr) {
        converted->clear();
    }
    char* const block = ReadBlock();
    std::u16string pivot;
    bool last = false;
    while (!last) {
        in.read(block, static_cast<std::streamsize>(kFilteredCopyBlock));
        const auto count = static_cast<std::size_t>(in.gcount());
        last = !in;
        pivot.clear();
        if (!text::detail::append_to_utf16(from.getAlias(), block, count, last, pivot)) {
            return false;
        }
        const bool fits = converted != nullptr
                              ? text::detail::append_from_utf16(to.getAlias(), pivot.data(),
                                                                pivot.size(), last, *converted)
                              : fitsTarget(to.getAlias(), pivot, last);
        if (!fits) {
            return false;
        }
    }
    return true;
}

}  // namespace mailwright::formats
