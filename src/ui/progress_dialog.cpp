#include "ui/progress_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace mailwright::desktop {
namespace {

QLabel* elidingLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setMinimumWidth(460);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

void showPercent(QProgressBar* bar, float percent) {
    if (percent < 0) {
        bar->setRange(0, 0);  // indeterminate
        return;
    }
    bar->setRange(0, 100);
    bar->setValue(static_cast<int>(percent > 100 ? 100 : percent));
}

}  // namespace

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Converting"));
    setWindowModality(Qt::WindowModal);
    m_message = elidingLabel(this);
    QFont bold = m_message->font();
    bold.setBold(true);
    m_message->setFont(bold);
    m_filePath = elidingLabel(this);
    m_filePath->setWordWrap(true);
    m_currentLabel = elidingLabel(this);
    m_currentBar = new QProgressBar(this);
    m_foldersLabel = elidingLabel(this);
    m_itemsLabel = elidingLabel(this);
    m_overallBar = new QProgressBar(this);
    auto* buttons = new QDialogButtonBox(this);
    m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressDialog::doCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_message);
    layout->addWidget(m_filePath);
    layout->addSpacing(8);
    layout->addWidget(m_currentLabel);
    layout->addWidget(m_currentBar);
    layout->addSpacing(8);
    layout->addWidget(m_foldersLabel);
    layout->addWidget(m_itemsLabel);
    layout->addWidget(m_overallBar);
    layout->addWidget(buttons);
    reset();
}

void ProgressDialog::reset() {
    {
        const std::lock_guard lock(m_mutex);
        m_pending = Shown{};
    }
    m_cancel->setEnabled(true);
    showPending();
}

template <typename Change>
void ProgressDialog::update(Change change) {
    {
        const std::lock_guard lock(m_mutex);
        change(m_pending);
    }
    if (!m_repaintPosted.exchange(true)) {
        QMetaObject::invokeMethod(this, &ProgressDialog::showPending, Qt::QueuedConnection);
    }
}

void ProgressDialog::showPending() {
    m_repaintPosted.store(false);
    Shown shown;
    {
        const std::lock_guard lock(m_mutex);
        shown = m_pending;
    }
    m_message->setText(QString::fromStdString(shown.progressMessage));
    m_filePath->setText(QString::fromStdString(shown.filePath));
    m_currentLabel->setText(QString::fromStdString(shown.currentProgressLabel));
    m_foldersLabel->setText(QString::fromStdString(shown.overallFoldersLabel));
    m_itemsLabel->setText(QString::fromStdString(shown.overallItemsLabel));
    showPercent(m_currentBar, shown.currentProgressValue);
    showPercent(m_overallBar, shown.overallProgressValue);
}

void ProgressDialog::updateProgressMessage(const std::string& text) {
    update([&](Shown& s) { s.progressMessage = text; });
}
void ProgressDialog::updateCurrentProgressLabel(const std::string& text) {
    update([&](Shown& s) { s.currentProgressLabel = text; });
}
void ProgressDialog::updateOverallFoldersLabel(const std::string& text) {
    update([&](Shown& s) { s.overallFoldersLabel = text; });
}
void ProgressDialog::updateOverallItemsLabel(const std::string& text) {
    update([&](Shown& s) { s.overallItemsLabel = text; });
}
void ProgressDialog::updateCurrentProgressValue(float percent) {
    update([&](Shown& s) { s.currentProgressValue = percent; });
}
void ProgressDialog::updateOverallProgressValue(float percent) {
    update([&](Shown& s) { s.overallProgressValue = percent; });
}
void ProgressDialog::setFilePath(const std::string& path) {
    update([&](Shown& s) { s.filePath = path; });
}

void ProgressDialog::doCancel() {
    if (m_cancelable != nullptr) {
        m_cancelable->Cancel();
        m_cancel->setEnabled(false);
        m_message->setText(QStringLiteral("Cancelling after the current item..."));
    }
}

void ProgressDialog::reject() {
    doCancel();
}

}  // namespace mailwright::desktop
