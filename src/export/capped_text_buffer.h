// An output stream buffer that appends a message's text to a string, up to
// a limit. Past it (or once `stop` is set) nothing more is taken, the stream
// goes bad and the text is given up. The string keeps its capacity between
// texts, so a loop that writes one message after another into the same
// string grows it only for the longest.
//
//   std::string text;
//   CappedTextBuffer buffer(text, limit);
//   std::ostream out(&buffer);
//   writer.writeMessage(out, item);
//   if (buffer.gaveUp()) { ... }
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <limits>
#include <streambuf>
#include <string>

namespace mailwright::exporting {

class CappedTextBuffer : public std::streambuf {
public:
    explicit CappedTextBuffer(std::string& text,
                              std::size_t limit = std::numeric_limits<std::size_t>::max(),
                              const std::atomic<bool>* stop = nullptr)
        : m_text(text), m_limit(limit), m_stop(stop) {}

    bool gaveUp() const { return m_gaveUp; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::not_eof(c);
        }
        const char ch = traits_type::to_char_type(c);
        return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
    }

    std::streamsize xsputn(const char* data, std::streamsize count) override {
        const auto n = static_cast<std::size_t>(count);
        if (m_gaveUp || (m_stop != nullptr && m_stop->load(std::memory_order_relaxed)) ||
            n > m_limit - m_text.size()) {
            m_gaveUp = true;
            return 0;
        }
        // Grown by doubling, but never past the limit.
        if (m_text.size() + n > m_text.capacity()) {
            m_text.reserve(std::min(m_limit, std::max(m_text.size() + n, 2 * m_text.capacity())));
        }
        m_text.append(data, n);
        return count;
    }

private:
    std::string& m_text;
    std::size_t m_limit;
    const std::atomic<bool>* m_stop;
    bool m_gaveUp = false;
};

}  // namespace mailwright::exporting
