// screenshot_tour SAMPLE.pst BIG.pst OUTPUT_DIR SHOTS_DIR: drives the desktop
// window through a conversion on a real screen (scripts/screenshots runs it
// under Xvfb) and saves what the screen shows at each step as PNG files: the
// window with the sample open, the options with each menu open, the
// progress dialog mid-run and the report window.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <functional>

#include "platform/standard_user_defaults.h"
#include "ui/main_window.h"
#include "ui/options_panel.h"
#include "ui/preferences_dialog.h"
#include "ui/progress_dialog.h"
#include "ui/report_window.h"

using namespace mailwright;

namespace {

// Runs the event loop until `done` holds or the time is up.
bool waitFor(const std::function<bool()>& done, int milliseconds = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void settle() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 300) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

void shoot(const QString& folder, const QString& name) {
    settle();
    const QString path = folder + "/" + name + ".png";
    QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    std::printf("%s\n", qPrintable(path));
}

void shootMenu(QComboBox* menu, const QString& folder, const QString& name) {
    menu->showPopup();
    shoot(folder, name);
    menu->hidePopup();
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: screenshot_tour SAMPLE.pst BIG.pst OUTPUT_DIR SHOTS_DIR\n");
        return 2;
    }
    const QString sample = argv[1], big = argv[2], output = argv[3], shots = argv[4];
    platform::InMemoryUserDefaults defaults;
    platform::registerResourceDefaults(defaults);
    defaults.setBool("userGuideOpened", true);
    defaults.setBool("licenseAgreed", true);

    desktop::MainWindow window(defaults);
    window.move(20, 20);
    window.show();
    window.chooseOutputFolder = [&] { return output; };
    window.openPSTFiles({sample});
    if (!waitFor([&] { return window.allowPSTDrop() && window.hasOpenedFiles(); })) {
        return 1;
    }
    shoot(shots, "1-main-window");
    desktop::OptionsPanel& options = *window.options();
    shootMenu(options.actionMenu(), shots, "2-action-menu");
    shootMenu(options.destinationMenu(), shots, "3-convert-menu");
    options.actionMenu()->setCurrentIndex(1);
    emit options.actionMenu()->activated(1);
    shootMenu(options.destinationMenu(), shots, "4-import-menu");
    options.actionMenu()->setCurrentIndex(0);
    emit options.actionMenu()->activated(0);
    const int mbox = options.destinationMenu()->findText("*.mbox, *.vcf, *.ics");
    options.destinationMenu()->setCurrentIndex(mbox);
    emit options.destinationMenu()->activated(mbox);
    shoot(shots, "5-options-mbox");

    window.preferencesDialog()->load();
    window.preferencesDialog()->open();
    shoot(shots, "6-preferences");
    window.preferencesDialog()->reject();

    window.closeAllPSTFiles();
    window.openPSTFiles({big});
    if (!waitFor([&] { return window.allowPSTDrop() && window.hasOpenedFiles(); })) {
        return 1;
    }
    options.destinationMenu()->setCurrentIndex(mbox);
    emit options.destinationMenu()->activated(mbox);
    window.start();
    desktop::ProgressDialog& progress = *window.progressDialog();
    auto* overall = progress.findChildren<QProgressBar*>().back();
    waitFor([&] { return overall->value() >= 20 || window.reportWindow()->isVisible(); });
    shoot(shots, "7-progress");
    if (!waitFor([&] { return window.reportWindow()->isVisible(); })) {
        return 1;
    }
    shoot(shots, "8-report");
    return 0;
}
