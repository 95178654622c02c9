// mailwright-desktop [FILE.pst...]: the desktop application. Files named on
// the command line are opened as if dropped on the window.
#include <QApplication>

#include "platform/heap_retention.h"
#include "platform/standard_user_defaults.h"
#include "text/code_page_table.h"
#include "ui/main_window.h"
#include "ui/row_icons.h"
#include "ui/settings_user_defaults.h"

int main(int argc, char* argv[]) {
    mailwright::platform::limitHeapRetention();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mailwright"));
    QApplication::setWindowIcon(mailwright::desktop::ApplicationIcon());

    mailwright::desktop::SettingsUserDefaults defaults;
    mailwright::platform::registerResourceDefaults(defaults);
    mailwright::text::InitCodePageTable();

    mailwright::desktop::MainWindow window(defaults);
    window.show();
    const QStringList files = QApplication::arguments().mid(1);
    if (!files.isEmpty()) {
        window.openPSTFiles(files);
    }
    return QApplication::exec();
}
