// The report window after a run: the run's outcome and counts, its log, the
// output and report paths, buttons that locate the output folder and the
// report, and OK, whose first press opens the destination's import guide.
// Closing it ends the run.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "export/export_result.h"
#include "export/export_settings.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace mailwright::desktop {

class ReportWindow : public QDialog {
    Q_OBJECT

public:
    explicit ReportWindow(QWidget* parent = nullptr);

    void showRun(const exporting::ExportResult& result, const std::string& log,
                 const exporting::_ExportSettings& settings);

    QLabel* headingLabel() const { return m_heading; }
    QLabel* countsLabel() const { return m_counts; }
    QPlainTextEdit* logView() const { return m_log; }
    QLabel* outputPathLabel() const { return m_outputPath; }
    QLabel* reportPathLabel() const { return m_reportPath; }
    QPushButton* okButton() const { return m_ok; }

    // Opens a file or folder with the system's viewer; replaced in tests.
    std::function<void(const QString&)> openDocument;

private:
    void okPressed();

    QString m_outputFolder;
    QString m_reportFile;
    QString m_guidePath;
    bool m_guideShown = false;
    QLabel* m_heading = nullptr;
    QLabel* m_counts = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QLabel* m_outputPath = nullptr;
    QLabel* m_reportPath = nullptr;
    QPushButton* m_locateOutput = nullptr;
    QPushButton* m_locateReport = nullptr;
    QPushButton* m_ok = nullptr;
};

}  // namespace mailwright::desktop
