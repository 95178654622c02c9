#include "export/report_file.h"

#include <array>
#include <cerrno>
#include <cstdio>

#include "export/output_paths.h"
#include "platform/system_log.h"

namespace mailwright::exporting {
namespace {

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

std::string ReportFileName(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char text[64];
    std::snprintf(text, sizeof text, "PST Conversion Report %02d.%02d %s-%02d %s %04d", hour12,
                  local.tm_min, local.tm_hour < 12 ? "AM" : "PM", local.tm_mday,
                  kMonths.at(static_cast<std::size_t>(local.tm_mon % 12)), local.tm_year + 1900);
    return text;
}

std::string CreateReportFile(const std::string& folder, std::time_t when, std::string* failure) {
    const std::string name = ReportFileName(when);
    // Another run may take the name between the check and the creation;
    // the next free name is tried then.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = UniquePath(folder, name, "txt");
        OutputFile file = OutputFile::open(path, OutputFile::Mode::createNew);
        if (file.isOpen() ? file.close() : false) {
            return path;
        }
        if (file.errorNumber() != EEXIST) {
            platform::log_line("Cannot create the conversion report " + path + ": " +
                               file.errorText());
            if (failure != nullptr) {
                *failure = "cannot create " + path + ": " + file.errorText();
            }
            return {};
        }
    }
    if (failure != nullptr) {
        *failure = "no free name for the conversion report in " + folder;
    }
    return {};
}

ReportFile::ReportFile(const std::string& path) {
    if (!path.empty()) {
        m_file = OutputFile::open(path, OutputFile::Mode::append);
        if (!m_file.isOpen()) {
            platform::log_line("Cannot open the conversion report " + path + ": " +
                               m_file.errorText());
            m_errorLogged = true;
        }
    }
}

void ReportFile::write(std::string_view text) {
    if (m_file.isOpen() && !m_file.write(text) && !m_errorLogged) {
        platform::log_line("Cannot write the conversion report " + m_file.path() + ": " +
                           m_file.errorText());
        m_errorLogged = true;
    }
}

void ReportFile::close() {
    if (m_file.isOpen() && !m_file.close() && !m_errorLogged) {
        platform::log_line("Cannot write the conversion report " + m_file.path() + ": " +
                           m_file.errorText());
        m_errorLogged = true;
    }
}

}  // namespace mailwright::exporting
