// The licence agreement shown over the main window until the user agrees:
// Agree records it, Disagree quits the application.
#pragma once

#include <QDialog>

namespace mailwright::desktop {

class LicenceDialog : public QDialog {
    Q_OBJECT

public:
    explicit LicenceDialog(QWidget* parent = nullptr);

    // The shipped licence text.
    static QString licenceText();
};

}  // namespace mailwright::desktop
