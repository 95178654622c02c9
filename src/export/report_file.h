// The conversion report file: a UTF-8 text file (no byte-order mark, CR LF
// line ends) beside the converted data, named "PST Conversion Report %@.txt"
// after the local time the run was prepared.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "export/output_file.h"

namespace mailwright::exporting {

// "PST Conversion Report " and the local time `when` as
// "%I.%M %p-%d %b %Y" ("PST Conversion Report 03.07 PM-05 Jan 2009"),
// with English month names whatever the locale.
std::string ReportFileName(std::time_t when);

// Creates the empty report file in `folder` under the unique path of the
// report name and the extension "txt", and returns its path; empty when it
// cannot be created, and then `failure`, when given, gets the path and the
// system's reason ("cannot create /out/PST ... .txt: Read-only file system").
std::string CreateReportFile(const std::string& folder, std::time_t when,
                             std::string* failure = nullptr);

// The report file while a run writes it. Pieces are appended as they come;
// a failing report file never stops a run, so a write error is only noted
// in the system log, once.
class ReportFile {
public:
    // Opens `path` for appending; an empty path writes nowhere.
    explicit ReportFile(const std::string& path);

    void write(std::string_view text);
    void close();

private:
    OutputFile m_file;
    bool m_errorLogged = false;
};

}  // namespace mailwright::exporting
