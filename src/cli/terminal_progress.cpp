#include "cli/terminal_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

namespace mailwright::cli {
namespace {

constexpr std::size_t kBarWidth = 24;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::size_t terminal_columns(std::FILE* out) {
    winsize size{};
    if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 20) {
        return size.ws_col;
    }
    return 80;
}

// The first `columns` characters of UTF-8 text (a character is one column
// here; wide characters may take two, which only shortens the line).
std::string first_columns(const std::string& text, std::size_t columns) {
    std::size_t end = 0;
    for (std::size_t count = 0; end < text.size() && count < columns; ++count) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            ++end;
        }
    }
    return text.substr(0, end);
}

}  // namespace

terminal_progress::terminal_progress(std::FILE* out, style shown)
    : m_out(out),
      m_style(shown),
      m_start(std::chrono::steady_clock::now()),
      m_lastDraw(m_start - kRedrawInterval) {}

void terminal_progress::updateCurrentProgressLabel(const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (!text.empty()) {
        m_label = text;
    }
    draw(false);
}

void terminal_progress::updateOverallFoldersLabel(const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (m_style == style::line_per_folder && !text.empty()) {
        std::fprintf(m_out, "%s %s\n", text.c_str(), m_label.c_str());
        std::fflush(m_out);
    }
}

void terminal_progress::updateOverallItemCounts(std::uint32_t done, std::uint32_t total) {
    std::lock_guard lock(m_mutex);
    m_done = done;
    m_total = total;
    draw(false);
}

void terminal_progress::draw(bool force) {
    if (m_style != style::redrawn_line) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_lastDraw < kRedrawInterval) {
        return;
    }
    m_lastDraw = now;
    const double fraction =
        m_total > 0 ? std::min(1.0, static_cast<double>(m_done) / m_total) : 0.0;
    const auto filled = static_cast<std::size_t>(fraction * kBarWidth);
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    char counts[96];
    std::snprintf(counts, sizeof counts, "] %u/%u items  %.0f/s  ", m_done, m_total,
                  seconds > 0 ? m_done / seconds : 0.0);
    std::string line =
        "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + counts;
    const std::size_t columns = terminal_columns(m_out) - 1;
    line += first_columns(m_label, columns > line.size() ? columns - line.size() : 0);
    std::fprintf(m_out, "\r%s\x1b[K", line.c_str());
    std::fflush(m_out);
    m_drawn = true;
}

void terminal_progress::finish() {
    std::lock_guard lock(m_mutex);
    if (m_drawn) {
        std::fputs("\r\x1b[K", m_out);
        std::fflush(m_out);
        m_drawn = false;
    }
}

}  // namespace mailwright::cli
