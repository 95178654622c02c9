#include "ui/preferences_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

#include "model/pst_session.h"
#include "text/code_page_table.h"
#include "ui/logic/mbox_size.h"

namespace mailwright::desktop {

PreferencesDialog::PreferencesDialog(platform::UserDefaults& defaults, QWidget* parent)
    : QDialog(parent), m_defaults(defaults) {
    setWindowTitle(QStringLiteral("Preferences"));
    setWindowModality(Qt::WindowModal);
    m_size = new QLineEdit(this);
    m_encoding = new QComboBox(this);
    // The available code pages in table order: a code page's index here is
    // its position in that list.
    for (const text::TextEncodingItem* row : text::AvailableCodePages()) {
        m_encoding->addItem(QString::fromLatin1(row->displayName), row->codePage);
    }
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Maximum MBOX file size (MB):"), m_size);
    form->addRow(QStringLiteral("Default text encoding of ANSI PST files:"), m_encoding);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PreferencesDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void PreferencesDialog::load() {
    m_size->setText(QString::number(m_defaults.integerForKey("maxMBOXSize")));
    const int index = m_encoding->findData(
        static_cast<std::uint32_t>(m_defaults.integerForKey(model::kDefaultCodePageKey)));
    m_encoding->setCurrentIndex(index < 0 ? 0 : index);
}

void PreferencesDialog::save() {
    const auto size = ui::ParseMBOXSize(m_size->text().toStdString());
    if (!size) {
        auto* alert =
            new QMessageBox(QMessageBox::Warning, windowTitle(),
                            QString::fromLatin1(ui::kInvalidMBOXSizeAlert), QMessageBox::Ok, this);
        alert->setAttribute(Qt::WA_DeleteOnClose);
        alert->open();
        return;
    }
    m_defaults.setInteger("maxMBOXSize", *size);
    m_defaults.setInteger(model::kDefaultCodePageKey, m_encoding->currentData().toLongLong());
    emit saved();
    accept();
}

}  // namespace mailwright::desktop
