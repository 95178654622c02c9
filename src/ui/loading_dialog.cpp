#include "ui/loading_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace mailwright::desktop {

LoadingDialog::LoadingDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Loading"));
    setWindowModality(Qt::WindowModal);
    m_label = new QLabel(this);
    m_label->setMinimumWidth(360);
    auto* bar = new QProgressBar(this);
    bar->setRange(0, 0);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(bar);
}

void LoadingDialog::setMessage(const QString& message) {
    m_label->setText(message);
}

QString LoadingDialog::message() const {
    return m_label->text();
}

}  // namespace mailwright::desktop
