#include "export/report_summary.h"

#include "export/export_result.h"
#include "export/export_settings.h"

namespace mailwright::exporting {

std::string ReportHeading(std::int32_t status) {
    switch (status) {
        case Success:
            return "Conversion Completed.";
        case CompletedWithErrors:
            return "Conversion Completed With Acceptable Errors.";
        case Cancelled:
            return "Conversion Aborted. Data was partially converted.";
        default:
            return "Conversion Failed.";
    }
}

std::string OutputPathMessage(std::int32_t exportPacking, const std::string& outputFolderPath) {
    switch (exportPacking) {
        case kPackingOutlookArchive:
            return "Converted RGE Archive is available at following path:\n" + outputFolderPath;
        case kPackingAppleApplications:
            return "Converted data is available at following path:\n" + outputFolderPath;
        case kPackingThunderbird:
            return "Converted Thunderbird Email Database is available at following path:\n" +
                   outputFolderPath;
        default:
            return "Converted items are available at following path:\n" + outputFolderPath;
    }
}

std::string ReportPathMessage(std::int32_t exportPacking, const std::string& reportPath) {
    if (exportPacking == kPackingSeparateFiles) {
        return "A Detailed Conversion Report is available at following path:\n" + reportPath;
    }
    return "A Detailed Conversion Report is available at  following path:\n" + reportPath;
}

}  // namespace mailwright::exporting
