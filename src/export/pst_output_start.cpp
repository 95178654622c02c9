// The start of a PST file's output: its output folder's suffix, what became
// of earlier output of the same file there, and the marker that names the
// file in the folder.
#include "export/earlier_conversions.h"
#include "export/outlook_assets_export_agent.h"
#include "export/output_paths.h"
#include "model/pst_session.h"

namespace mailwright::exporting {

std::int32_t OutlookAssetsExportAgent::startPSTOutput(const model::PSTSession& session,
                                                      ILogger& logger) {
    if (const auto known = _pstSuffixes.find(&session); known != _pstSuffixes.end()) {
        return known->second;
    }
    const _ExportSettings& settings = *_exportSettingsP;
    const std::string& base = settings.MailsOutputFolderPath;
    const std::string name = PSTFileName(session);
    const std::string source = ConversionSourceOf(session.pstFilePath());
    const auto note = [&](const std::string& line) {
        logger.WriteLog(line + "\r\n");
        extendedLogFileHandle->write(line + "\r\n");
        _runRecord.notices.push_back(line);
    };

    const std::vector<std::string> earlier = EarlierConversions(base, name, source);
    if (settings.ReplaceEarlierOutput) {
        for (const std::string& folder : earlier) {
            const std::string failure = RemoveConversion(folder, source);
            note(failure.empty()
                     ? "Replacing the earlier conversion of this file in " + folder + "."
                     : "The earlier conversion of this file in " + folder +
                           " could not be removed: " + failure);
        }
    }
    const std::int32_t suffix = PSTSuffix(base, name);
    if (!settings.ReplaceEarlierOutput && !earlier.empty()) {
        const std::string folder =
            JoinPath(base, suffix == -1 ? name : name + " (" + std::to_string(suffix) + ")");
        note("An earlier conversion of this file is in " + earlier.front() +
             "; this conversion is written beside it in " + folder + ".");
    }
    _pstSuffixes.emplace(&session, suffix);
    return suffix;
}

}  // namespace mailwright::exporting
