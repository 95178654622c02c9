#include "formats/body_filter.h"

#include <cstring>

namespace mailwright::formats {
namespace {

// Whether `byte` keeps a line that so far could begin a separator line
// ("From " after any number of ">") still able to be one.
bool continuesSeparatorBeginning(char byte, char previous) {
    switch (byte) {
        case 'F':
        case '>':
            return previous == '\n' || previous == '\r' || previous == '>';
        case 'r':
            return previous == 'F';
        case 'o':
            return previous == 'r';
        case 'm':
            return previous == 'o';
        default:
            return false;
    }
}

// The position of the first CR or LF at or after `from`, or the block's size.
// One memchr for LF, then one for CR in the part before it: mail text has
// few CRs without an LF right after, so the second search is short.
std::size_t nextLineBreak(std::string_view block, std::size_t from) {
    const char* begin = block.data() + from;
    const std::size_t length = block.size() - from;
    const void* lf = std::memchr(begin, '\n', length);
    const std::size_t untilLf =
        lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - begin) : length;
    const void* cr = std::memchr(begin, '\r', untilLf);
    const std::size_t until =
        cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - begin) : untilLf;
    return from + until;
}

}  // namespace

BodyFilter::BodyFilter(std::ostream& out, std::string_view lineEnd, bool quoteFrom)
    : m_out(out), m_lineEnd(lineEnd), m_quoteFrom(quoteFrom) {}

void BodyFilter::releaseHeld(std::string& out) {
    if (m_state.pendingQuote) {
        out += '>';
        m_state.pendingQuote = false;
    }
    out.append(m_state.heldQuotes, '>');
    out += m_state.line;
    m_state.heldQuotes = 0;
    m_state.line.clear();
}

void BodyFilter::take(char byte, std::string& out) {
    FromQuoteFilter& s = m_state;
    if (byte == '\n' && s.previous == '\r') {
        // The LF of a CR LF pair: the same line break as the CR.
        s.previous = '\n';
        return;
    }
    if (s.lineComplete) {
        releaseHeld(out);
        out += m_lineEnd;
        s.atLineStart = true;
        s.lineComplete = false;
    }
    if (byte == '\n' || byte == '\r') {
        s.lineComplete = true;
        s.previous = byte;
        return;
    }
    if (m_quoteFrom && s.atLineStart) {
        if (continuesSeparatorBeginning(byte, s.previous)) {
            // Held back: the line may still turn out to need a ">".
            if (byte == '>') {
                ++s.heldQuotes;
            } else {
                s.line += byte;
            }
            s.previous = byte;
            return;
        }
        if (byte == ' ' && s.previous == 'm') {
            s.pendingQuote = true;
        }
        s.atLineStart = false;
        releaseHeld(out);
    } else {
        s.atLineStart = false;
    }
    out += byte;
    s.previous = byte;
}

void BodyFilter::write(std::string_view block, bool last) {
    std::string out;
    out.reserve(block.size() + block.size() / 8 + 8);
    for (std::size_t at = 0; at < block.size();) {
        if (!m_state.atLineStart && !m_state.lineComplete) {
            // Inside a line every byte up to the next line break is copied as
            // it is: take() would do the same one byte at a time.
            const std::size_t end = nextLineBreak(block, at);
            if (end > at) {
                out.append(block.substr(at, end - at));
                m_state.previous = block[end - 1];
                at = end;
                continue;
            }
        }
        take(block[at++], out);
    }
    if (last) {
        // The partial line is written; a final line break is not.
        releaseHeld(out);
        m_state = FromQuoteFilter{};
    }
    m_out.write(out.data(), static_cast<std::streamsize>(out.size()));
}

}  // namespace mailwright::formats
