// The report window after a run: the run's outcome and counts, its log, the
// output and report paths, and buttons that show the output folder and open
// the destination's guide. Closing it ends the run.
#pragma once

#include <QDialog>
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
    QPushButton* showOutputButton() const { return m_showOutput; }
    QPushButton* openGuideButton() const { return m_openGuide; }

private:
    void showOutputFolder();
    void openGuide();

    QString m_outputFolder;
    QString m_guidePath;
    QLabel* m_heading = nullptr;
    QLabel* m_counts = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QLabel* m_outputPath = nullptr;
    QLabel* m_reportPath = nullptr;
    QPushButton* m_showOutput = nullptr;
    QPushButton* m_openGuide = nullptr;
};

}  // namespace mailwright::desktop
