#include "ui/report_window.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "export/report_summary.h"
#include "platform/resource_directory.h"
#include "targets/guide_document.h"

namespace mailwright::desktop {
namespace {

// The log has CR LF line ends; the view wants plain line breaks.
QString withLineBreaks(const std::string& text) {
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QLabel* pathLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

ReportWindow::ReportWindow(QWidget* parent)
    : QDialog(parent), openDocument([](const QString& path) {
          QDesktopServices::openUrl(QUrl::fromLocalFile(path));
      }) {
    setWindowTitle(QStringLiteral("Conversion Report"));
    resize(720, 520);
    m_heading = new QLabel(this);
    QFont bold = m_heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    m_heading->setFont(bold);
    m_counts = new QLabel(this);
    m_log = new QPlainTextEdit(this);
    m_log->setReadOnly(true);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_log->setFont(QFont(QStringLiteral("Monospace")));
    m_outputPath = pathLabel(this);
    m_reportPath = pathLabel(this);

    auto* buttons = new QDialogButtonBox(this);
    m_locateOutput =
        buttons->addButton(QStringLiteral("Locate Output"), QDialogButtonBox::ActionRole);
    m_locateReport =
        buttons->addButton(QStringLiteral("Locate Report"), QDialogButtonBox::ActionRole);
    m_ok = buttons->addButton(QDialogButtonBox::Ok);
    m_ok->setDefault(true);
    connect(m_locateOutput, &QPushButton::clicked, this, [this] { openDocument(m_outputFolder); });
    connect(m_locateReport, &QPushButton::clicked, this,
            [this] { openDocument(QFileInfo(m_reportFile).absolutePath()); });
    connect(m_ok, &QPushButton::clicked, this, &ReportWindow::okPressed);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_counts);
    layout->addWidget(m_log, 1);
    layout->addWidget(m_outputPath);
    layout->addWidget(m_reportPath);
    layout->addWidget(buttons);
}

void ReportWindow::showRun(const exporting::ExportResult& result, const std::string& log,
                           const exporting::_ExportSettings& settings) {
    m_heading->setText(QString::fromStdString(exporting::ReportHeading(result.status)));
    m_counts->setText(QStringLiteral("Mails: %1    Contacts: %2    Calendar items: %3")
                          .arg(result.mailCount)
                          .arg(result.contactCount)
                          .arg(result.calendarCount));
    m_log->setPlainText(withLineBreaks(log));
    m_outputFolder = QString::fromStdString(settings.OutputFolderPath);
    m_outputPath->setText(QString::fromStdString(
        exporting::OutputPathMessage(settings.ExportPacking, settings.OutputFolderPath)));
    m_reportFile = QString::fromStdString(settings.ExtendedLogReportPath);
    m_reportPath->setVisible(!m_reportFile.isEmpty());
    m_locateReport->setVisible(!m_reportFile.isEmpty());
    m_reportPath->setText(QString::fromStdString(
        exporting::ReportPathMessage(settings.ExportPacking, settings.ExtendedLogReportPath)));
    // Separate files have no guide; an application's guide is offered when
    // it was installed beside the program.
    const auto guide =
        targets::GuideDocumentPath(settings.ExportPacking, platform::ResourceDirectory());
    m_guidePath = guide ? QString::fromStdString(*guide) : QString();
    m_guideShown = false;
}

// The first OK shows the destination's import guide, when there is one, so
// the user reads how to import what was just written; the next OK closes.
void ReportWindow::okPressed() {
    if (!m_guidePath.isEmpty() && !m_guideShown) {
        m_guideShown = true;
        openDocument(m_guidePath);
        return;
    }
    accept();
}

}  // namespace mailwright::desktop
