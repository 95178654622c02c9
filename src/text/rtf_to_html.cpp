#include "text/rtf_to_html.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "text/rtf_charsets.h"
#include "text/rtf_html_document.h"
#include "text/rtf_html_writer.h"
#include "text/rtf_text_decoder.h"
#include "text/rtf_tokenizer.h"
#include "text/whole_value_conversion.h"

namespace mailwright::text {
namespace {

constexpr uint32_t kDefaultCodePage = 1252;

// Destinations whose contents are not part of the text.
constexpr std::string_view kSkippedDestinations[] = {
    "colortbl",     "stylesheet",
    "info",         "pict",
    "nonshppict",   "header",
    "headerl",      "headerr",
    "headerf",      "footer",
    "footerl",      "footerr",
    "footerf",      "footnote",
    "listtable",    "listoverridetable",
    "revtbl",       "rsidtbl",
    "filetbl",      "xmlnstbl",
    "themedata",    "colorschememapping",
    "latentstyles", "datastore",
    "fldinst",      "objdata",
    "pgdsctbl",     "private",
    "xe",           "tc",
    "txe",          "template",
    "bkmkstart",    "bkmkend",
    "generator",    "mhtmltag",
};

// Control words that stand for one character.
struct SpecialCharacter {
    std::string_view word;
    char16_t unit;
};
constexpr SpecialCharacter kSpecialCharacters[] = {
    {"emdash", u'\u2014'},    {"endash", u'\u2013'},  {"bullet", u'\u2022'},
    {"lquote", u'\u2018'},    {"rquote", u'\u2019'},  {"ldblquote", u'\u201C'},
    {"rdblquote", u'\u201D'}, {"emspace", u'\u2003'}, {"enspace", u'\u2002'},
    {"qmspace", u'\u2005'},   {"zwj", u'\u200D'},     {"zwnj", u'\u200C'},
    {"ltrmark", u'\u200E'},   {"rtlmark", u'\u200F'}, {"zwbo", u'\u200B'},
};

constexpr std::string_view kUnderlineWords[] = {
    "ul",         "uld",       "uldash",     "uldashd", "uldashdd", "uldb",
    "ulhwave",    "ulldash",   "ulth",       "ulthd",   "ulthdash", "ulthdashd",
    "ulthdashdd", "ulthldash", "ululdbwave", "ulw",     "ulwave",
};

// A word list sorted at compile time, so that every control word is looked
// up by halves.
template <size_t N>
constexpr std::array<std::string_view, N> Sorted(const std::string_view (&words)[N]) {
    std::array<std::string_view, N> copy{};
    std::copy(std::begin(words), std::end(words), copy.begin());
    std::sort(copy.begin(), copy.end());
    return copy;
}

constexpr auto kSortedSkippedDestinations = Sorted(kSkippedDestinations);
constexpr auto kSortedUnderlineWords = Sorted(kUnderlineWords);

template <size_t N>
bool IsOneOf(std::string_view word, const std::array<std::string_view, N>& sorted) {
    return std::binary_search(sorted.begin(), sorted.end(), word);
}

bool BeginsRtfDocument(std::span<const uint8_t> rtf) {
    size_t pos = 0;
    while (pos < rtf.size() &&
           (rtf[pos] == ' ' || rtf[pos] == '\t' || rtf[pos] == '\r' || rtf[pos] == '\n')) {
        ++pos;
    }
    constexpr std::string_view kOpening = "{\\rtf";
    return rtf.size() - pos >= kOpening.size() &&
           std::equal(kOpening.begin(), kOpening.end(), rtf.begin() + static_cast<ptrdiff_t>(pos));
}

class RtfToHtmlConverter {
public:
    explicit RtfToHtmlConverter(std::span<const uint8_t> rtf) : tokenizer_(rtf) {}

    std::string Run();

private:
    enum class Destination { kText, kSkip, kFontTable, kHtmlTag };

    struct GroupState {
        Destination destination = Destination::kText;
        RtfCharFormat format;
        int32_t font = -1;             // -1: the default font (\deffN)
        int32_t unicode_fallback = 1;  // \ucN
        bool html_suppressed = false;  // inside \htmlrtf
    };

    struct FontInfo {
        std::optional<uint32_t> code_page;  // from \cpgN or \fcharsetN
    };

    GroupState& state() { return stack_.back(); }

    bool HandleToken(const RtfToken& token);  // false at the end of the document
    void OpenGroup();
    bool CloseGroup();
    void HandleControlWord(const RtfToken& token);
    void HandleFontTableWord(const RtfToken& token);
    void HandleControlSymbol(char symbol);
    void HandleText(std::string_view text);
    bool ConsumeFallback();

    uint32_t CurrentCodePage() const;
    void AppendByte(char byte);
    // Bytes of the text in the current code page, looked up once.
    void AppendBytes(std::string_view bytes);
    void AppendUnit(char16_t unit);
    void FlushText();
    void EmitText(std::string_view utf8);
    void EmitParagraphBreak();
    void EmitLineBreak();
    void EmitTab();
    bool HtmlOutputActive() const;
    bool NothingWritten() const { return writer_.empty() && html_.empty(); }

    RtfTokenizer tokenizer_;
    RtfTextDecoder decoder_;
    std::vector<GroupState> stack_;
    size_t overflow_depth_ = 0;    // groups beyond kMaxRtfToHtmlGroupDepth
    bool at_group_start_ = false;  // no token yet in the newest group
    bool optional_group_ = false;  // the newest group began with \*
    int32_t fallback_left_ = 0;    // \uN fallback characters still to skip

    uint32_t document_code_page_ = kDefaultCodePage;
    int32_t default_font_ = 0;
    int32_t font_table_entry_ = 0;
    std::unordered_map<int32_t, FontInfo> fonts_;

    bool html_mode_ = false;
    std::string html_;
    RtfHtmlWriter writer_;

    std::string pending_bytes_;
    uint32_t pending_code_page_ = 0;
    std::u16string pending_units_;
    std::string flushed_;
};

std::string RtfToHtmlConverter::Run() {
    for (RtfToken token = tokenizer_.Next(); token.type != RtfToken::kEnd;
         token = tokenizer_.Next()) {
        if (!HandleToken(token)) {
            break;
        }
    }
    FlushText();
    return html_mode_ ? EnsureUtf8HtmlDocument(html_) : writer_.Finish();
}

bool RtfToHtmlConverter::HandleToken(const RtfToken& token) {
    if (token.type == RtfToken::kGroupStart) {
        OpenGroup();
        return true;
    }
    if (token.type == RtfToken::kGroupEnd) {
        return CloseGroup();
    }
    if (overflow_depth_ > 0 || stack_.empty()) {
        return true;
    }
    const bool first_in_group = at_group_start_;
    at_group_start_ = false;
    switch (token.type) {
        case RtfToken::kControlSymbol:
            if (token.symbol == '*') {
                optional_group_ = optional_group_ || first_in_group;
                at_group_start_ = first_in_group;  // the destination word follows
                return true;
            }
            if (!ConsumeFallback()) {
                HandleControlSymbol(token.symbol);
            }
            break;
        case RtfToken::kControlWord:
            if (token.word == "u") {
                HandleControlWord(token);
            } else if (!ConsumeFallback()) {
                HandleControlWord(token);
            }
            break;
        case RtfToken::kHexByte:
            if (!ConsumeFallback() && state().destination != Destination::kSkip) {
                AppendByte(static_cast<char>(token.byte));
            }
            break;
        case RtfToken::kText:
            HandleText(token.text);
            break;
        case RtfToken::kBinary:
            ConsumeFallback();  // binary data is never text
            break;
        default:
            break;
    }
    optional_group_ = false;
    return true;
}

void RtfToHtmlConverter::OpenGroup() {
    FlushText();
    fallback_left_ = 0;
    if (overflow_depth_ > 0 || stack_.size() >= kMaxRtfToHtmlGroupDepth) {
        ++overflow_depth_;
        return;
    }
    stack_.push_back(stack_.empty() ? GroupState{} : stack_.back());
    at_group_start_ = true;
    optional_group_ = false;
}

bool RtfToHtmlConverter::CloseGroup() {
    FlushText();
    fallback_left_ = 0;
    at_group_start_ = false;
    optional_group_ = false;
    if (overflow_depth_ > 0) {
        --overflow_depth_;
        return true;
    }
    if (stack_.size() <= 1) {
        return false;  // the document group has ended
    }
    stack_.pop_back();
    return true;
}

// After \uN, the next \ucN characters are the fallback for readers without
// Unicode and are skipped. Returns true when the token was such a character.
bool RtfToHtmlConverter::ConsumeFallback() {
    if (fallback_left_ <= 0) {
        return false;
    }
    --fallback_left_;
    return true;
}

void RtfToHtmlConverter::HandleText(std::string_view text) {
    while (!text.empty() && fallback_left_ > 0) {
        text.remove_prefix(1);
        --fallback_left_;
    }
    if (state().destination == Destination::kSkip ||
        state().destination == Destination::kFontTable) {
        return;
    }
    // The bytes between tabs and NUL bytes (which are left out) go to the
    // pending text in one piece each.
    while (!text.empty()) {
        const size_t stop = static_cast<size_t>(
            std::find_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\0'; }) -
            text.begin());
        AppendBytes(text.substr(0, stop));
        if (stop == text.size()) {
            break;
        }
        if (text[stop] == '\t') {
            EmitTab();
        }
        text.remove_prefix(stop + 1);
    }
}

void RtfToHtmlConverter::HandleControlSymbol(char symbol) {
    if (state().destination == Destination::kSkip) {
        return;
    }
    switch (symbol) {
        case '~':
            AppendUnit(u'\u00A0');
            break;
        case '_':
            AppendUnit(u'\u2011');
            break;
        default:
            break;  // \- optional hyphen, \| \: index marks
    }
}

void RtfToHtmlConverter::HandleFontTableWord(const RtfToken& token) {
    if (token.word == "f" && token.has_parameter) {
        font_table_entry_ = token.parameter;
    } else if (token.word == "fcharset" && token.has_parameter) {
        if (const auto code_page = CodePageForRtfCharset(token.parameter)) {
            auto& font = fonts_[font_table_entry_];
            font.code_page = font.code_page.value_or(*code_page);
        }
    } else if (token.word == "cpg" && token.has_parameter && token.parameter > 0) {
        fonts_[font_table_entry_].code_page = static_cast<uint32_t>(token.parameter);
    }
}

void RtfToHtmlConverter::HandleControlWord(const RtfToken& token) {
    GroupState& group = state();
    if (group.destination == Destination::kSkip) {
        return;
    }
    const std::string_view word = token.word;
    if (word != "u") {
        FlushText();
    }
    if (optional_group_) {
        group.destination =
            (word == "htmltag" && html_mode_) ? Destination::kHtmlTag : Destination::kSkip;
        group.html_suppressed = false;
        return;
    }
    if (group.destination == Destination::kFontTable) {
        HandleFontTableWord(token);
        return;
    }
    if (word == "fonttbl") {
        group.destination = Destination::kFontTable;
        return;
    }
    if (IsOneOf(word, kSortedSkippedDestinations)) {
        group.destination = Destination::kSkip;
        return;
    }

    const int32_t parameter = token.parameter;
    const bool on = !token.has_parameter || parameter != 0;
    if (word == "u" && token.has_parameter) {
        const int32_t value = parameter < 0 ? parameter + 65536 : parameter;
        AppendUnit(value >= 0 && value <= 0xFFFF ? static_cast<char16_t>(value) : u'\uFFFD');
        fallback_left_ = group.unicode_fallback;
    } else if (word == "uc" && token.has_parameter) {
        group.unicode_fallback = std::max(0, parameter);
    } else if (word == "par" || word == "sect" || word == "page" || word == "row") {
        EmitParagraphBreak();
    } else if (word == "line") {
        EmitLineBreak();
    } else if (word == "tab" || word == "cell" || word == "nestcell") {
        EmitTab();
    } else if (word == "b") {
        group.format.bold = on;
    } else if (word == "i") {
        group.format.italic = on;
    } else if (IsOneOf(word, kSortedUnderlineWords)) {
        group.format.underline = on;
    } else if (word == "ulnone") {
        group.format.underline = false;
    } else if (word == "plain") {
        group.format = RtfCharFormat{};
    } else if (word == "f" && token.has_parameter) {
        group.font = parameter;
    } else if (word == "ansicpg" && token.has_parameter && parameter > 0) {
        document_code_page_ = static_cast<uint32_t>(parameter);
    } else if (word == "mac") {
        document_code_page_ = 10000;
    } else if (word == "pc") {
        document_code_page_ = 437;
    } else if (word == "pca") {
        document_code_page_ = 850;
    } else if (word == "deff" && token.has_parameter) {
        default_font_ = parameter;
    } else if (word == "fromhtml" && on && NothingWritten()) {
        html_mode_ = true;
    } else if (word == "htmlrtf") {
        group.html_suppressed = on;
    } else {
        for (const SpecialCharacter& special : kSpecialCharacters) {
            if (word == special.word) {
                AppendUnit(special.unit);
                break;
            }
        }
    }
}

uint32_t RtfToHtmlConverter::CurrentCodePage() const {
    const int32_t font = stack_.back().font >= 0 ? stack_.back().font : default_font_;
    const auto found = fonts_.find(font);
    if (found != fonts_.end() && found->second.code_page) {
        return *found->second.code_page;
    }
    return document_code_page_;
}

void RtfToHtmlConverter::AppendByte(char byte) {
    AppendBytes(std::string_view(&byte, 1));
}

void RtfToHtmlConverter::AppendBytes(std::string_view bytes) {
    if (bytes.empty()) {
        return;
    }
    if (!pending_units_.empty()) {
        FlushText();
    }
    const uint32_t code_page = CurrentCodePage();
    if (!pending_bytes_.empty() && code_page != pending_code_page_) {
        FlushText();
    }
    pending_code_page_ = code_page;
    pending_bytes_.append(bytes);
}

void RtfToHtmlConverter::AppendUnit(char16_t unit) {
    if (!pending_bytes_.empty()) {
        FlushText();
    }
    pending_units_ += unit;
}

void RtfToHtmlConverter::FlushText() {
    if (pending_bytes_.empty() && pending_units_.empty()) {
        return;
    }
    std::string& utf8 = flushed_;  // kept between flushes
    utf8.clear();
    decoder_.Decode(pending_bytes_, pending_code_page_, utf8);
    utf8 += utf16_to_utf8(pending_units_);
    pending_bytes_.clear();
    pending_units_.clear();
    EmitText(utf8);
}

bool RtfToHtmlConverter::HtmlOutputActive() const {
    const GroupState& group = stack_.back();
    return group.destination == Destination::kHtmlTag ||
           (group.destination == Destination::kText && !group.html_suppressed);
}

void RtfToHtmlConverter::EmitText(std::string_view utf8) {
    const GroupState& group = stack_.back();
    if (html_mode_) {
        if (group.destination == Destination::kHtmlTag) {
            html_ += utf8;  // already HTML
        } else if (HtmlOutputActive()) {
            AppendEscapedHtmlText(utf8, html_);
        }
    } else if (group.destination == Destination::kText) {
        writer_.Text(utf8, group.format);
    }
}

void RtfToHtmlConverter::EmitParagraphBreak() {
    if (html_mode_) {
        if (HtmlOutputActive()) {
            html_ += "\r\n";
        }
    } else if (state().destination == Destination::kText) {
        writer_.ParagraphBreak();
    }
}

void RtfToHtmlConverter::EmitLineBreak() {
    if (html_mode_) {
        if (HtmlOutputActive()) {
            html_ += "\r\n";
        }
    } else if (state().destination == Destination::kText) {
        writer_.LineBreak();
    }
}

void RtfToHtmlConverter::EmitTab() {
    FlushText();
    if (html_mode_) {
        if (HtmlOutputActive()) {
            html_ += '\t';
        }
    } else if (state().destination == Destination::kText) {
        writer_.Tab(state().format);
    }
}

}  // namespace

std::optional<std::string> RtfToHtml(std::span<const uint8_t> rtf) {
    if (!BeginsRtfDocument(rtf)) {
        return std::nullopt;
    }
    return RtfToHtmlConverter(rtf).Run();
}

}  // namespace mailwright::text
