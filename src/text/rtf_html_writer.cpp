#include "text/rtf_html_writer.h"

#include "text/rtf_html_document.h"

namespace mailwright::text {
namespace {

// Past this column a plain space in the text becomes a line break of the HTML
// source instead, which renders the same.
constexpr size_t kWrapColumn = 76;

constexpr std::string_view kParagraphStyle = "<style type=\"text/css\">p{margin:0}</style>\r\n";
constexpr std::string_view kTabElement = "<span style=\"white-space:pre\">&#9;</span>";

std::string_view OpenTagText(char tag) {
    switch (tag) {
        case 'b':
            return "<b>";
        case 'i':
            return "<i>";
        default:
            return "<u>";
    }
}

std::string_view CloseTagText(char tag) {
    switch (tag) {
        case 'b':
            return "</b>";
        case 'i':
            return "</i>";
        default:
            return "</u>";
    }
}

}  // namespace

void RtfHtmlWriter::Write(std::string_view html) {
    body_ += html;
    MoveColumn(html);
}

void RtfHtmlWriter::MoveColumn(std::string_view written) {
    const size_t newline = written.rfind('\n');
    column_ =
        newline == std::string_view::npos ? column_ + written.size() : written.size() - newline - 1;
}

void RtfHtmlWriter::WriteSpace() {
    if (after_space_) {
        Write("&#160;");
        after_space_ = false;
        return;
    }
    Write(column_ >= kWrapColumn ? "\r\n" : " ");
    after_space_ = true;
}

void RtfHtmlWriter::OpenParagraph() {
    if (!paragraph_open_) {
        Write("<p>");
        paragraph_open_ = true;
        after_space_ = true;
    }
}

void RtfHtmlWriter::CloseFormatting(size_t keep) {
    while (open_tags_.size() > keep) {
        Write(CloseTagText(static_cast<char>(open_tags_.back())));
        open_tags_.pop_back();
    }
}

void RtfHtmlWriter::CloseParagraph() {
    CloseFormatting(0);
    Write("</p>\r\n");
    paragraph_open_ = false;
}

void RtfHtmlWriter::ApplyFormat(const RtfCharFormat& format) {
    // Called for every run of text: the wanted tags are kept on the stack.
    Tag wanted[3] = {};
    size_t count = 0;
    if (format.bold) {
        wanted[count++] = Tag::kBold;
    }
    if (format.italic) {
        wanted[count++] = Tag::kItalic;
    }
    if (format.underline) {
        wanted[count++] = Tag::kUnderline;
    }
    size_t common = 0;
    while (common < open_tags_.size() && common < count && open_tags_[common] == wanted[common]) {
        ++common;
    }
    CloseFormatting(common);
    for (size_t i = common; i < count; ++i) {
        Write(OpenTagText(static_cast<char>(wanted[i])));
        open_tags_.push_back(wanted[i]);
    }
}

void RtfHtmlWriter::Text(std::string_view utf8, const RtfCharFormat& format) {
    if (utf8.empty()) {
        return;
    }
    OpenParagraph();
    ApplyFormat(format);
    size_t run_start = 0;
    auto flush_run = [&](size_t end) {
        if (end > run_start) {
            // Escaped straight onto the body, without a string of its own.
            const size_t before = body_.size();
            AppendEscapedHtmlText(utf8.substr(run_start, end - run_start), body_);
            if (body_.size() > before) {
                MoveColumn(std::string_view(body_).substr(before));
                after_space_ = false;
            }
        }
    };
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == ' ' || utf8[i] == '\t') {
            flush_run(i);
            if (utf8[i] == ' ') {
                WriteSpace();
            } else {
                Write(kTabElement);
                after_space_ = true;
            }
            run_start = i + 1;
        }
    }
    flush_run(utf8.size());
}

void RtfHtmlWriter::Tab(const RtfCharFormat& format) {
    Text("\t", format);
}

void RtfHtmlWriter::LineBreak() {
    OpenParagraph();
    Write("<br />\r\n");
    after_space_ = true;
}

void RtfHtmlWriter::ParagraphBreak() {
    if (paragraph_open_) {
        CloseParagraph();
    } else {
        Write("<p><br /></p>\r\n");
    }
}

std::string RtfHtmlWriter::Finish() {
    if (paragraph_open_) {
        CloseParagraph();
    }
    std::string document = WrapHtmlBody(body_, kParagraphStyle);
    body_.clear();
    column_ = 0;
    after_space_ = true;
    return document;
}

}  // namespace mailwright::text
