// The body filter of MBOX mailboxes: it normalises line ends and quotes body
// lines that begin like a separator line, so that a mailbox reader never
// takes a body line for the start of the next message.
//
// CR LF, a lone CR and a lone LF all become one line end; a line that
// starts with any number of ">" followed by "From " gets one more ">" in
// front; the line break at the very end of the text is not written (the
// writer's own line end after the body takes its place). The text may be
// given in blocks: a "From " split between two blocks is still recognised.
//
//   BodyFilter filter(out);             // MBOX: LF, quoting
//   filter.write(block1, false);
//   filter.write(block2, true);         // the text's last block
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace mailwright::formats {

// What the filter carries from one block of a text to the next.
struct FromQuoteFilter {
    // The current line so far is only a possible separator-line beginning:
    // ">" characters, then a prefix of "From". Such a beginning is held back
    // until it is known whether the line needs quoting.
    bool atLineStart = true;
    // The current line has been recognised as needing a ">" in front.
    bool pendingQuote = false;
    // A line break has been seen and is waiting to be written.
    bool lineComplete = false;
    // The last byte seen.
    char previous = '\n';
    // The held-back beginning: `heldQuotes` ">" characters followed by
    // `line` (at most "From"). Counting the ">" keeps a line of nothing but
    // ">" from growing the buffer.
    std::size_t heldQuotes = 0;
    std::string line;
};

class BodyFilter {
public:
    // MBOX mode: LF line ends and quoting. EML mode for HTML made from an
    // RTF body: CR LF line ends and no quoting.
    explicit BodyFilter(std::ostream& out, std::string_view lineEnd = "\n", bool quoteFrom = true);

    // Filters the next block of the text; `last` marks the text's last block
    // (which may be empty), after which the filter is ready for a new text.
    void write(std::string_view block, bool last);

    const FromQuoteFilter& state() const { return m_state; }

private:
    void take(char byte, std::string& out);
    void releaseHeld(std::string& out);

    std::ostream& m_out;
    std::string m_lineEnd;
    bool m_quoteFrom;
    FromQuoteFilter m_state;
};

}  // namespace mailwright::formats
