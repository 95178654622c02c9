#include "ui/licence_dialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/desktop_resources.h"

namespace mailwright::desktop {

QString LicenceDialog::licenceText() {
    RegisterDesktopResources();
    QFile file(QStringLiteral(":/licence.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

LicenceDialog::LicenceDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Licence Agreement"));
    setWindowModality(Qt::WindowModal);
    resize(600, 440);
    auto* text = new QPlainTextEdit(licenceText(), this);
    text->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Agree"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Disagree"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
}

}  // namespace mailwright::desktop
