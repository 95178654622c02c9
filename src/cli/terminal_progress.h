// The progress of `mailwright convert` on standard error: on a terminal a
// line that is redrawn in place (a bar, items done of all, the current
// folder and items per second); otherwise one plain line per folder; or
// nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "export/export_protocols.h"

namespace mailwright::cli {

class terminal_progress : public exporting::IProgressPresenter {
public:
    enum class style {
        redrawn_line,     // a terminal
        line_per_folder,  // a file or a pipe
        none,
    };

    terminal_progress(std::FILE* out, style shown);

    void updateProgressMessage(const std::string&) override {}
    void updateCurrentProgressLabel(const std::string& text) override;
    void updateOverallFoldersLabel(const std::string& text) override;
    void updateOverallItemsLabel(const std::string&) override {}
    void updateCurrentProgressValue(float) override {}
    void updateOverallProgressValue(float) override {}
    void setFilePath(const std::string&) override {}
    void updateOverallItemCounts(std::uint32_t done, std::uint32_t total) override;

    // Removes the progress line, so that what follows starts on a clean line.
    void finish();

private:
    void draw(bool force);

    std::mutex m_mutex;
    std::FILE* m_out;
    style m_style;
    std::string m_label;
    std::uint32_t m_done = 0;
    std::uint32_t m_total = 0;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
};

}  // namespace mailwright::cli
