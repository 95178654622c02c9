// The dialog over the main window while PST files load: the loading message
// and a busy bar. Loading cannot be cancelled; the dialog closes when the
// loader is done.
#pragma once

#include <QDialog>

class QLabel;

namespace mailwright::desktop {

class LoadingDialog : public QDialog {
    Q_OBJECT

public:
    explicit LoadingDialog(QWidget* parent = nullptr);

    void setMessage(const QString& message);
    QString message() const;

protected:
    // Escape does not close it: the files are still loading.
    void reject() override {}

private:
    QLabel* m_label = nullptr;
};

}  // namespace mailwright::desktop
