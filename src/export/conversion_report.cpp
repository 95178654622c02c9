#include "export/conversion_report.h"

namespace mailwright::exporting {
namespace {

const std::string kCRLF = "\r\n";

std::string corrupt_items_text(const std::string& kindWord, std::uint32_t count) {
    return "Error: Skipped following number of corrupt " + kindWord +
           " (details could not be fetched): " + std::to_string(count) +
           "\r\nIf not acceptable, please repair your pst file using some pst repair tool such "
           "as \"scanpst\" (on Windows) and convert this folder again.\r\n";
}

}  // namespace

const std::string kReportSeparator = std::string(74, '-') + "\r\n";
const std::string kFileStreamFailMessage =
    "Please ensure that there is enough space available on the disk or you have sufficient "
    "previledges to write on the disk.\r\n\r\n";
const std::string kRunDiskFailMessage =
    "Please ensure that there is enough space avialable on the disk or you have sufficient "
    "privilege to access output folder.";

std::string ProblemLines(const RunProblems& problems) {
    std::string text;
    const auto line = [&](const char* label, std::uint32_t count) {
        if (count != 0) {
            text += label + std::to_string(count) + kCRLF;
        }
    };
    line("Items skipped because they could not be read: ", problems.skipped);
    line("Items converted with parts missing: ", problems.incomplete);
    line("Folders that could not be read: ", problems.unreadableFolders);
    line("PST files that could not be read: ", problems.unreadableFiles);
    return text;
}

std::string MailItemText(const std::string& sender, const std::string& date,
                         const std::string& subject) {
    return "From: " + sender + "\r\nDate: " + date + "\r\nSubject: " + subject;
}

void ConversionReport::both(const std::string& text) {
    m_log.WriteLog(text);
    m_file.write(text);
}

void ConversionReport::pathTooLong(const std::string& path) {
    m_log.WriteLog("Conversion aborted due to following error :\r\n");
    m_log.WriteLog("Following folder path is too long: " + path + kCRLF);
    m_log.WriteLog("Please choose a shorter output path to avoid this error.\r\n");
}

void ConversionReport::sessionHeader(const std::optional<std::string>& pstFilePath) {
    both(kReportSeparator);
    both(pstFilePath ? "Converting content from PST File: " + *pstFilePath + kCRLF
                     : "Converting content from Outlook\r\n");
}

void ConversionReport::codePageLine(const std::string& description) {
    both("8-bit text decoded with " + description + kCRLF);
}

void ConversionReport::storeSeparator() {
    m_log.WriteLog(kReportSeparator);
    m_file.write(kReportSeparator + kCRLF);
}

void ConversionReport::folderHeader(const std::string& fullFolderPath, std::int64_t contentCount) {
    const std::string line =
        "Folder: " + fullFolderPath + " [" + std::to_string(contentCount) + "]\r\n";
    m_log.WriteLog(line);
    m_file.write(kReportSeparator + line + kReportSeparator);
}

void ConversionReport::itemLine(const std::string& text) {
    m_file.write(text);
}

void ConversionReport::skippedItem(const std::string& reason) {
    m_file.write(
        "\r\n*************** ERROR WHILE CONVERTING A MESSAGE : MESSAGE SKIPPED "
        "******************\r\n");
    if (!reason.empty()) {
        m_file.write("Reason: " + reason + kCRLF);
    }
}

void ConversionReport::incompleteItem(const std::vector<std::string>& losses) {
    std::string text =
        "*************** MESSAGE CONVERTED INCOMPLETELY : PARTS MISSING ******************\r\n";
    for (const std::string& loss : losses) {
        text += "Missing: " + loss + kCRLF;
    }
    m_file.write(text + kCRLF);
}

void ConversionReport::unreadableFile(const UnreadableFile& file) {
    both(kReportSeparator);
    both((file.partly ? "Could not read all folders of PST File: " : "Could not read PST File: ") +
         file.path + kCRLF + "Reason: " + file.reason + kCRLF);
}

void ConversionReport::unreadableFolder(const std::string& pstFilePath, const std::string& reason) {
    both("Error: this folder of PST File " + pstFilePath + " could not be read: " + reason +
         "\r\n\r\n");
}

void ConversionReport::folderFooter(const FolderFooter& footer, const FolderTrouble& trouble) {
    const std::string count =
        "Converted Items Count: " + std::to_string(footer.converted) + " \r\n";
    std::string byKind;
    if (footer.contacts > 0) {
        byKind += "Converted Contacts Count: " + std::to_string(footer.contacts) + " \r\n";
    }
    if (footer.calendarEvents > 0) {
        byKind +=
            "Converted Calendar Events Count: " + std::to_string(footer.calendarEvents) + " \r\n";
    }
    if (footer.leftOut > 0) {
        byKind +=
            "Left Out Items Count: " + std::to_string(footer.leftOut) + " (free/busy data) \r\n";
    }
    m_log.WriteLog(count + byKind);
    m_file.write(kCRLF + kReportSeparator + count + byKind);
    if (footer.skipped > 0) {
        both(corrupt_items_text(footer.kindWord, footer.skipped));
    }
    if (trouble.incomplete > 0) {
        both("Error: Converted following number of " + footer.kindWord +
             " with parts missing (named in the report file): " +
             std::to_string(trouble.incomplete) + kCRLF);
    }
    if (footer.status == Failed) {
        both("\r\nConversion aborted due to following error:\r\n" +
             (trouble.failure.empty() ? std::string() : trouble.failure + kCRLF) +
             kFileStreamFailMessage);
    } else if (footer.referencesSavedIn) {
        both("Saved in: " + footer.savedIn + kCRLF);
        both("Calendar References Saved in: " + *footer.referencesSavedIn + "\r\n\r\n");
    } else {
        both("Saved in: " + footer.savedIn + "\r\n\r\n");
    }
}

void ConversionReport::folderException(const std::string& reason) {
    both("\r\n\r\nConversion aborted due to following error: " + reason);
}

void ConversionReport::runFooter(const ExportResult& result, const std::string& outputFolderPath,
                                 const RunProblems& problems, const std::string& failure) {
    both(kCRLF + kReportSeparator + kCRLF);
    if (result.mailCount != 0) {
        both("Total number of emails processed: " + std::to_string(result.mailCount) + kCRLF);
    }
    if (result.contactCount != 0) {
        both("Total number of contacts processed: " + std::to_string(result.contactCount) + kCRLF);
    }
    if (result.calendarCount != 0) {
        both("Total number of calendar items processed: " + std::to_string(result.calendarCount) +
             kCRLF);
    }
    both(ProblemLines(problems));
    if (result.status == Failed) {
        both("Operation aborted due to following error:\r\n" +
             (failure.empty() ? std::string() : failure + kCRLF) + kRunDiskFailMessage + kCRLF);
    } else if (result.status == Cancelled) {
        both("Operation aborted !!!\r\n");
    } else {
        // A run that lost anything does not say it succeeded.
        both(result.status == CompletedWithErrors
                 ? "Conversion process completed with errors.\r\n"
                 : "Conversion process completed successfully.\r\n");
        m_file.write("Output Path: " + outputFolderPath + kCRLF);
    }
    m_log.WriteLog(kCRLF + kReportSeparator);
    m_file.write(kReportSeparator);
}

void ConversionReport::corruptPST() {
    both(kReportSeparator);
    both(
        "Conversion aborted due to following error :\r\nPST File appears to be corrupt. Please "
        "run some pst repair tool (such as \"scanpst\" on Windows) on this pst file and try "
        "again later.");
}

}  // namespace mailwright::exporting
