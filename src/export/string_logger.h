// The in-memory log of one run: one growing text that the report window
// shows when the run has ended.
#pragma once

#include <string>

#include "export/export_protocols.h"

namespace mailwright::exporting {

class StringLogger : public ILogger {
public:
    // Appends the text unchanged.
    void WriteLog(const std::string& text) override { _logContent += text; }
    const std::string& getLogString() const { return _logContent; }

private:
    std::string _logContent;
};

}  // namespace mailwright::exporting
