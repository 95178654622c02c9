#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailwright::text {

// Character formatting of RTF text that the HTML keeps.
struct RtfCharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const RtfCharFormat&) const = default;
};

// Builds the HTML document for RTF text: one <p> per paragraph, <br /> for
// line breaks, <b>, <i> and <u> for formatting, tabs kept as pre-formatted
// tab characters and runs of spaces kept with non-breaking spaces. Elements
// are always properly nested and closed, and source lines stay short so the
// result can travel as an 8bit MIME part.
class RtfHtmlWriter {
public:
    void Text(std::string_view utf8, const RtfCharFormat& format);
    void Tab(const RtfCharFormat& format);
    void LineBreak();
    void ParagraphBreak();

    // True while nothing has been written.
    bool empty() const { return body_.empty() && !paragraph_open_; }

    // The complete document; the writer is left empty.
    std::string Finish();

private:
    enum class Tag : char { kBold = 'b', kItalic = 'i', kUnderline = 'u' };

    void OpenParagraph();
    void CloseParagraph();
    void ApplyFormat(const RtfCharFormat& format);
    void CloseFormatting(size_t keep);
    void Write(std::string_view html);
    // The column after `written`, the text just added to the body.
    void MoveColumn(std::string_view written);
    void WriteSpace();

    std::string body_;
    bool paragraph_open_ = false;
    bool after_space_ = true;  // a following space must not collapse
    size_t column_ = 0;
    std::vector<Tag> open_tags_;
};

}  // namespace mailwright::text
