// The desktop window driven as a user would: open files, tick folders and
// kind boxes, pick destinations, run a conversion and cancel one, drop
// files, change an ANSI file's text encoding, set preferences, answer the
// licence and read the report window.
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <cstdlib>

#include "model/pst_session.h"
#include "platform/resource_directory.h"
#include "platform/standard_user_defaults.h"
#include "text/code_page_table.h"
#include "ui/folder_tree_model.h"
#include "ui/kind_check_box.h"
#include "ui/licence_dialog.h"
#include "ui/logic/folder_tree.h"
#include "ui/main_window.h"
#include "ui/options_panel.h"
#include "ui/preferences_dialog.h"
#include "ui/progress_dialog.h"
#include "ui/report_window.h"

using namespace mailwright;
using desktop::MainWindow;

namespace {

constexpr int kRunTimeoutMs = 60000;

// Writes a sample mailbox with the project's generator.
QString makeSample(const QTemporaryDir& dir, const QString& name, const QString& options) {
    const QString path = dir.filePath(name);
    const QString command = QStringLiteral("'%1/tests/mkpst' --quiet %2 '%3'")
                                .arg(QStringLiteral(MW_BINARY_DIR), options, path);
    return std::system(command.toLocal8Bit().constData()) == 0 ? path : QString();
}

// The folder rows of a class, depth first.
std::vector<ui::TreeNode*> rowsOfClass(ui::TreeNode& node, std::int32_t containerClass) {
    std::vector<ui::TreeNode*> rows;
    for (ui::TreeNode* child : node.children()) {
        if (child->treeNodeContainerClass == containerClass) {
            rows.push_back(child);
        }
        const auto below = rowsOfClass(*child, containerClass);
        rows.insert(rows.end(), below.begin(), below.end());
    }
    return rows;
}

std::int64_t itemsOfClass(ui::TreeNode& root, std::int32_t containerClass) {
    std::int64_t sum = 0;
    for (const ui::TreeNode* row : rowsOfClass(root, containerClass)) {
        sum += row->contentCount;
    }
    return sum;
}

void chooseDestination(desktop::OptionsPanel& options, const QString& title) {
    QComboBox* menu = options.destinationMenu();
    const int index = menu->findText(title);
    QVERIFY2(index >= 0, qPrintable(title));
    menu->setCurrentIndex(index);
    emit menu->activated(index);
}

// Sends a drag entering the window or a drop on it with these files;
// whether the window accepted it.
bool sendDrag(QWidget& window, const QStringList& paths, QEvent::Type type) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls << QUrl::fromLocalFile(path);
    }
    data.setUrls(urls);
    const auto event = type == QEvent::DragEnter
                           ? std::make_unique<QDragEnterEvent>(QPoint(5, 5), Qt::CopyAction, &data,
                                                               Qt::LeftButton, Qt::NoModifier)
                           : std::make_unique<QDropEvent>(QPointF(5, 5), Qt::CopyAction, &data,
                                                          Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, event.get());
    return event->isAccepted();
}

// The dialog's button or the menu's action with this title.
template <typename Item>
Item* titled(const QList<Item*>& items, const QString& title) {
    for (Item* item : items) {
        if (item->text().remove(QLatin1Char('&')) == title) {
            return item;
        }
    }
    return nullptr;
}

QPushButton* buttonTitled(QWidget& dialog, const QString& title) {
    return titled(dialog.findChildren<QPushButton*>(), title);
}

QString encodingName(std::uint32_t codePage) {
    for (const text::TextEncodingItem* row : text::AvailableCodePages()) {
        if (row->codePage == codePage) {
            return QString::fromLatin1(row->displayName);
        }
    }
    return {};
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opensFilesAndNamesRejectedOnes();
    void tickingFoldersAndKindBoxes();
    void eachDestinationEnablesItsSwitches();
    void conversionEndsInTheReportWindow();
    void cancelStopsALongRun();
    void dropAltClickAndTextEncoding();
    void preferencesAndLicence();
    void reportOkOpensTheGuideThenCloses();

private:
    void openAndWait(const QStringList& paths);

    QTemporaryDir m_dir;
    QString m_sample;
    std::unique_ptr<platform::InMemoryUserDefaults> m_defaults;
    std::unique_ptr<MainWindow> m_window;
};

void MainWindowTest::init() {
    if (m_sample.isEmpty()) {
        m_sample = makeSample(m_dir, QStringLiteral("sample.pst"), QStringLiteral("--seed 1"));
    }
    QVERIFY(!m_sample.isEmpty());
    m_defaults = std::make_unique<platform::InMemoryUserDefaults>();
    platform::registerResourceDefaults(*m_defaults);
    m_defaults->setBool("userGuideOpened", true);
    m_defaults->setBool("licenseAgreed", true);
    m_window = std::make_unique<MainWindow>(*m_defaults);
    m_window->show();
}

void MainWindowTest::cleanup() {
    m_window.reset();
}

void MainWindowTest::openAndWait(const QStringList& paths) {
    m_window->openPSTFiles(paths);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->allowPSTDrop(), kRunTimeoutMs);
}

void MainWindowTest::opensFilesAndNamesRejectedOnes() {
    const QString corpus = QStringLiteral(MW_CORPUS_DIR "/enron_edrm_sample_ansi.pst");
    QStringList paths{m_sample, m_dir.filePath(QStringLiteral("notes.txt"))};
    const bool haveCorpus = QFileInfo::exists(corpus);
    if (haveCorpus) {
        paths << corpus;
    }
    openAndWait(paths);
    ui::TreeNode& root = m_window->treeModel()->rootNode();
    QCOMPARE(root.children().size(), haveCorpus ? 2u : 1u);
    QCOMPARE(m_window->treeModel()->rowCount(), haveCorpus ? 2 : 1);
    const auto alerts = m_window->findChildren<QMessageBox*>();
    QVERIFY(std::any_of(alerts.begin(), alerts.end(),
                        [](QMessageBox* box) { return box->text().contains("notes.txt"); }));

    // The same file again, in other letters, is not opened twice.
    openAndWait({m_sample.toUpper().replace(m_dir.path().toUpper(), m_dir.path())});
    QCOMPARE(root.children().size(), haveCorpus ? 2u : 1u);

    m_window->removeSelectedPST(*root.children().front());
    QCOMPARE(root.children().size(), haveCorpus ? 1u : 0u);
}

void MainWindowTest::tickingFoldersAndKindBoxes() {
    openAndWait({m_sample});
    desktop::FolderTreeModel& model = *m_window->treeModel();
    desktop::OptionsPanel& options = *m_window->options();
    const auto mail = rowsOfClass(model.rootNode(), ui::kClassMail);
    QVERIFY(mail.size() >= 2);
    QCOMPARE(options.mailsBox()->checkState(), Qt::Checked);

    QVERIFY(model.setData(model.indexOf(mail.back()), Qt::Unchecked, Qt::CheckStateRole));
    QVERIFY(!mail.back()->isSelected);
    QCOMPARE(options.mailsBox()->checkState(), Qt::PartiallyChecked);

    // A click on the mixed box ticks every mail folder, never mixed again.
    QTest::mouseClick(options.mailsBox(), Qt::LeftButton);
    QCOMPARE(options.mailsBox()->checkState(), Qt::Checked);
    QVERIFY(mail.back()->isSelected);

    QTest::mouseClick(options.contactsBox(), Qt::LeftButton);
    const auto contacts = rowsOfClass(model.rootNode(), ui::kClassContacts);
    QVERIFY(!contacts.empty());
    QVERIFY(std::none_of(contacts.begin(), contacts.end(),
                         [](ui::TreeNode* row) { return row->isSelected; }));
    QCOMPARE(model.data(model.indexOf(contacts.front()), Qt::CheckStateRole).toInt(),
             int(Qt::Unchecked));
    QVERIFY(mail.front()->isSelected);
}

void MainWindowTest::eachDestinationEnablesItsSwitches() {
    openAndWait({m_sample});
    desktop::OptionsPanel& options = *m_window->options();
    struct Row {
        const char* title;
        bool readUnread, mergeContacts, split;
    };
    const Row rows[] = {
        {"Apple Mail, Address Book, Calendar (iCal)", false, false, false},
        {"Microsoft Outlook 2011/Entourage Archive", false, false, false},
        {"Thunderbird Email Database, *.vcf, *.ics", false, false, false},
        {"*.mbox, *.vcf, *.ics", true, true, true},
        {"*.eml, *.vcf, *.ics", true, true, false},
    };
    QCOMPARE(options.destinationMenu()->count(), int(std::size(rows)));
    for (const Row& row : rows) {
        chooseDestination(options, QString::fromLatin1(row.title));
        QCOMPARE(options.readUnreadSwitch()->isEnabled(), row.readUnread);
        QCOMPARE(options.mergeContactsSwitch()->isEnabled(), row.mergeContacts);
        QCOMPARE(options.splitSwitch()->isEnabled(), row.split);
        QVERIFY(options.startButton()->isEnabled());
    }
    options.actionMenu()->setCurrentIndex(1);
    emit options.actionMenu()->activated(1);
    QCOMPARE(options.destinationMenu()->itemText(2), QStringLiteral("Mozilla Thunderbird"));
    QCOMPARE(options.destinationMenu()->currentIndex(), 0);
}

void MainWindowTest::conversionEndsInTheReportWindow() {
    openAndWait({m_sample});
    QTemporaryDir output;
    m_window->chooseOutputFolder = [&] { return output.path(); };
    // Without calendar folders, whose events would add reference mails.
    QTest::mouseClick(m_window->options()->calendarBox(), Qt::LeftButton);
    chooseDestination(*m_window->options(), QStringLiteral("*.mbox, *.vcf"));
    ui::TreeNode& root = m_window->treeModel()->rootNode();
    const auto mails = itemsOfClass(root, ui::kClassMail) + itemsOfClass(root, ui::kClassStore);
    const auto contacts = itemsOfClass(root, ui::kClassContacts);
    QVERIFY(mails > 0 && contacts > 0);

    QTest::mouseClick(m_window->options()->startButton(), Qt::LeftButton);
    QVERIFY(!m_window->allowPSTDrop());
    desktop::ReportWindow& report = *m_window->reportWindow();
    QTRY_VERIFY_WITH_TIMEOUT(report.isVisible(), kRunTimeoutMs);
    QCOMPARE(report.headingLabel()->text(), QStringLiteral("Conversion Completed."));
    QCOMPARE(report.countsLabel()->text(),
             QStringLiteral("Mails: %1    Contacts: %2    Calendar items: %3")
                 .arg(mails)
                 .arg(contacts)
                 .arg(0));
    QVERIFY(report.outputPathLabel()->text().endsWith(output.path()));
    QVERIFY(!report.logView()->toPlainText().isEmpty());
    QVERIFY(!m_window->progressDialog()->isVisible());

    // Separate files have no guide: the first OK closes.
    QStringList opened;
    report.openDocument = [&](const QString& path) { opened << path; };
    QTest::mouseClick(report.okButton(), Qt::LeftButton);
    QVERIFY(opened.isEmpty());
    QVERIFY(!report.isVisible());
    QVERIFY(m_window->allowPSTDrop());
    QVERIFY(!m_window->isRunning());
}

void MainWindowTest::cancelStopsALongRun() {
    const QString big = makeSample(m_dir, QStringLiteral("big.pst"),
                                   QStringLiteral("--messages 3000 --attachment-kb 1"));
    openAndWait({big});
    QTemporaryDir output;
    m_window->chooseOutputFolder = [&] { return output.path(); };
    QTest::mouseClick(m_window->options()->startButton(), Qt::LeftButton);
    QVERIFY(m_window->progressDialog()->isVisible());
    QTest::mouseClick(m_window->progressDialog()->cancelButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->reportWindow()->isVisible(), kRunTimeoutMs);
    QCOMPARE(m_window->reportWindow()->headingLabel()->text(),
             QStringLiteral("Conversion Aborted. Data was partially converted."));
}

void MainWindowTest::dropAltClickAndTextEncoding() {
    const QString ansi = makeSample(m_dir, QStringLiteral("CYRILLIC.OST"),
                                    QStringLiteral("--ansi --codepage 1251 --messages 4"));
    const QString notes = m_dir.filePath(QStringLiteral("notes.txt"));
    QVERIFY(!sendDrag(*m_window, {notes}, QEvent::DragEnter));
    QVERIFY(sendDrag(*m_window, {notes, ansi}, QEvent::DragEnter));
    QVERIFY(sendDrag(*m_window, {notes, ansi}, QEvent::Drop));
    QTRY_VERIFY_WITH_TIMEOUT(m_window->allowPSTDrop(), kRunTimeoutMs);
    desktop::FolderTreeModel& model = *m_window->treeModel();
    QCOMPARE(model.rootNode().children().size(), 1u);

    // Alt-click on a folder with subfolders changes that row alone.
    const auto mail = rowsOfClass(model.rootNode(), ui::kClassMail);
    const auto parent = std::find_if(mail.begin(), mail.end(),
                                     [](ui::TreeNode* row) { return !row->children().empty(); });
    QVERIFY(parent != mail.end());
    QTest::keyPress(m_window->treeView(), Qt::Key_Alt, Qt::AltModifier);
    QVERIFY(model.setData(model.indexOf(*parent), Qt::Unchecked, Qt::CheckStateRole));
    QTest::keyRelease(m_window->treeView(), Qt::Key_Alt);
    QVERIFY(!(*parent)->isSelected);
    QVERIFY((*parent)->children().front()->isSelected);
    QCOMPARE(m_window->options()->mailsBox()->checkState(), Qt::PartiallyChecked);

    // The row's menu: its current encoding checked; choosing another one
    // re-reads the file's texts and renames the row.
    ui::TreeNode& row = *model.rootNode().children().front();
    std::unique_ptr<QMenu> menu = m_window->sessionMenu(row);
    QAction* submenu = titled(menu->actions(), QStringLiteral("Text Encoding"));
    QVERIFY(submenu && submenu->isEnabled());
    const QString current = encodingName(row.pstSession->pstDefaultCodePage());
    QVERIFY(titled(submenu->menu()->actions(), current)->isChecked());
    titled(submenu->menu()->actions(), encodingName(1251))->trigger();
    QCOMPARE(row.pstSession->pstDefaultCodePage(), 1251);
    QVERIFY(model.data(model.indexOf(&row), Qt::DisplayRole)
                .toString()
                .endsWith(QStringLiteral("[Text Encoding: %1]").arg(encodingName(1251))));

    // A Unicode file has no encoding to choose.
    openAndWait({m_sample});
    menu = m_window->sessionMenu(*model.rootNode().children().back());
    QVERIFY(!titled(menu->actions(), QStringLiteral("Text Encoding"))->isEnabled());
}

void MainWindowTest::preferencesAndLicence() {
    desktop::PreferencesDialog& preferences = *m_window->preferencesDialog();
    preferences.load();
    preferences.show();
    const auto before = m_defaults->integerForKey("maxMBOXSize");
    QPushButton* save = buttonTitled(preferences, QStringLiteral("Save"));
    QVERIFY(save);
    preferences.sizeField()->setText(QStringLiteral("12x"));
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(m_defaults->integerForKey("maxMBOXSize"), before);
    QVERIFY(preferences.isVisible() && !preferences.findChildren<QMessageBox*>().isEmpty());
    preferences.sizeField()->setText(QStringLiteral("25"));
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(m_defaults->integerForKey("maxMBOXSize"), 25);
    QVERIFY(!preferences.isVisible());

    // Until agreed, the licence comes over the window at first start:
    // Disagree closes the application's window, Agree is remembered.
    for (const bool agree : {false, true}) {
        m_defaults->setBool("licenseAgreed", false);
        auto window = std::make_unique<MainWindow>(*m_defaults);
        window->show();
        QTRY_VERIFY(!window->findChildren<desktop::LicenceDialog*>().isEmpty());
        auto* licence = window->findChildren<desktop::LicenceDialog*>().front();
        QTest::mouseClick(
            buttonTitled(*licence, agree ? QStringLiteral("Agree") : QStringLiteral("Disagree")),
            Qt::LeftButton);
        QCOMPARE(m_defaults->boolForKey("licenseAgreed"), agree);
        QCOMPARE(window->isVisible(), agree);
    }
}

void MainWindowTest::reportOkOpensTheGuideThenCloses() {
    QTemporaryDir resources;
    QFile guide(resources.filePath(QStringLiteral("Thunderbird Import Guide.pdf")));
    QVERIFY(guide.open(QIODevice::WriteOnly));
    guide.close();
    qputenv(platform::kResourceDirectoryVariable, resources.path().toLocal8Bit());
    desktop::ReportWindow report;
    QStringList opened;
    report.openDocument = [&](const QString& path) { opened << path; };
    exporting::_ExportSettings settings;
    settings.ExportPacking = exporting::kPackingThunderbird;
    settings.OutputFolderPath = resources.path().toStdString();
    report.showRun(exporting::ExportResult{}, "log\r\n", settings);
    qunsetenv(platform::kResourceDirectoryVariable);
    report.show();
    QTest::mouseClick(report.okButton(), Qt::LeftButton);
    QCOMPARE(opened, QStringList{guide.fileName()});
    QVERIFY(report.isVisible());
    QTest::mouseClick(report.okButton(), Qt::LeftButton);
    QVERIFY(!report.isVisible());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
