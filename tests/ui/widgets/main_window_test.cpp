// The desktop window driven as a user would: open files, tick folders and
// kind boxes, pick destinations, run a conversion and cancel one.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <cstdlib>
#include <filesystem>

#include "platform/standard_user_defaults.h"
#include "ui/folder_tree_model.h"
#include "ui/kind_check_box.h"
#include "ui/logic/folder_tree.h"
#include "ui/main_window.h"
#include "ui/options_panel.h"
#include "ui/progress_dialog.h"
#include "ui/pst_loader.h"
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
void rowsOfClass(ui::TreeNode& node, std::int32_t containerClass, std::vector<ui::TreeNode*>& out) {
    for (ui::TreeNode* child : node.children()) {
        if (child->treeNodeContainerClass == containerClass) {
            out.push_back(child);
        }
        rowsOfClass(*child, containerClass, out);
    }
}

std::int64_t itemsOfClass(ui::TreeNode& root, std::int32_t containerClass) {
    std::vector<ui::TreeNode*> rows;
    rowsOfClass(root, containerClass, rows);
    std::int64_t sum = 0;
    for (const ui::TreeNode* row : rows) {
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
    std::vector<ui::TreeNode*> mail;
    rowsOfClass(model.rootNode(), ui::kClassMail, mail);
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
    std::vector<ui::TreeNode*> contacts;
    rowsOfClass(model.rootNode(), ui::kClassContacts, contacts);
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
    QVERIFY(report.openGuideButton()->isHidden());  // separate files have no guide
    QVERIFY(!m_window->progressDialog()->isVisible());

    report.reject();
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

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
