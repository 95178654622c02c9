// The preferences: the MBOX split size and the default text encoding of
// ANSI files. Nothing is stored before Save, and Save takes the size only
// when it is digits alone above 0; Cancel drops the changes.
#pragma once

#include <QDialog>

#include "platform/user_defaults.h"

class QComboBox;
class QLineEdit;

namespace mailwright::desktop {

class PreferencesDialog : public QDialog {
    Q_OBJECT

public:
    PreferencesDialog(platform::UserDefaults& defaults, QWidget* parent = nullptr);

    // Loads the stored values into the controls.
    void load();

    QLineEdit* sizeField() const { return m_size; }
    QComboBox* encodingList() const { return m_encoding; }

signals:
    void saved();

private:
    void save();

    platform::UserDefaults& m_defaults;
    QLineEdit* m_size = nullptr;
    QComboBox* m_encoding = nullptr;
};

}  // namespace mailwright::desktop
