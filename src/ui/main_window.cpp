#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <ctime>
#include <filesystem>

#include "model/mapi_folder.h"
#include "model/pst_session.h"
#include "platform/resource_directory.h"
#include "targets/output_preparation.h"
#include "targets/selected_kinds.h"
#include "text/code_page_table.h"
#include "ui/export_run.h"
#include "ui/folder_row_delegate.h"
#include "ui/folder_tree_model.h"
#include "ui/licence_dialog.h"
#include "ui/loading_dialog.h"
#include "ui/logic/dropped_files.h"
#include "ui/logic/kind_boxes.h"
#include "ui/logic/run_settings.h"
#include "ui/logic/window_texts.h"
#include "ui/options_panel.h"
#include "ui/preferences_dialog.h"
#include "ui/progress_dialog.h"
#include "ui/pst_loader.h"
#include "ui/report_window.h"
#include "ui/row_icons.h"

namespace mailwright::desktop {
namespace {

constexpr const char* kUserGuideName = "Help-Mailwright.pdf";

std::vector<std::string> standardStrings(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& item : list) {
        out.push_back(item.toStdString());
    }
    return out;
}

std::vector<std::string> openPaths(const ui::TreeNode& root) {
    std::vector<std::string> paths;
    for (const ui::TreeNode* row : root.children()) {
        paths.push_back(row->pstSession->pstFilePath());
    }
    return paths;
}

// Folder rows take their names anew after the file's code page changed.
void refreshNames(ui::TreeNode& node) {
    if (node.mapiFolder) {
        node.name = node.mapiFolder->folderName();
    }
    for (const auto& child : node.allchildren()) {
        refreshNames(*child);
    }
}

}  // namespace

MainWindow::MainWindow(platform::UserDefaults& defaults, QWidget* parent)
    : QMainWindow(parent), m_defaults(defaults) {
    setWindowTitle(QStringLiteral("Mailwright"));
    setWindowIcon(ApplicationIcon());
    setAcceptDrops(true);
    chooseOutputFolder = [this] { return askForOutputFolder(); };
    m_loader = new PstLoader(
        m_defaults,
        {.loading = [this](const QString& message) { m_loading->setMessage(message); },
         .opened = [this](std::unique_ptr<ui::TreeNode> row) { sessionOpened(std::move(row)); },
         .failed =
             [this](const QString& path) {
                 alert(QString::fromStdString(ui::FailedToLoadAlert(path.toStdString())));
             },
         .finished = [this] { loadingFinished(); }},
        this);
    m_progress = new ProgressDialog(this);
    m_report = new ReportWindow(this);
    connect(m_report, &QDialog::finished, this, &MainWindow::cleanUp);
    m_preferences = new PreferencesDialog(m_defaults, this);
    m_loading = new LoadingDialog(this);
    buildCentralWidget();
    buildMenus();
    m_model->setIgnoreEmptyFolders(m_defaults.boolForKey("ignoreEmptyFolders"));
    connect(m_preferences, &PreferencesDialog::saved, m_options, &OptionsPanel::refreshSplitTitle);
    resize(760, 640);
}

MainWindow::~MainWindow() {
    // The run's thread ends before the windows it reports to.
    m_run.reset();
}

void MainWindow::buildCentralWidget() {
    m_model = new FolderTreeModel(this);
    m_tree = new QTreeView(this);
    m_tree->setModel(m_model);
    m_tree->setItemDelegateForColumn(FolderTreeModel::kNameColumn, new FolderRowDelegate(m_tree));
    m_tree->setHeaderHidden(true);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(FolderTreeModel::kNameColumn, QHeaderView::Stretch);
    m_tree->header()->setSectionResizeMode(FolderTreeModel::kCloseColumn, QHeaderView::Fixed);
    m_tree->header()->resizeSection(FolderTreeModel::kCloseColumn, 28);
    m_tree->setIconSize(QSize(kSessionIconSize, kSessionIconSize));
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->setUniformRowHeights(false);
    // Drops go to the window, which takes them for the whole tree.
    m_tree->setAcceptDrops(false);
    m_tree->viewport()->setAcceptDrops(false);
    connect(m_model, &FolderTreeModel::rowTicked, this, &MainWindow::rowTicked);
    connect(m_tree, &QTreeView::clicked, this, &MainWindow::treeClicked);
    connect(m_tree, &QWidget::customContextMenuRequested, this, &MainWindow::treeContextMenu);

    m_options = new OptionsPanel(m_defaults, this);
    connect(m_options, &OptionsPanel::kindChanged, this, &MainWindow::kindChanged);
    connect(m_options, &OptionsPanel::startRequested, this, &MainWindow::start);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_options);
    setCentralWidget(central);
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    m_openAction =
        file->addAction(QStringLiteral("&Open PST Files..."), this, &MainWindow::addPSTFile);
    m_openAction->setShortcut(QKeySequence::Open);
    m_closeAllAction = file->addAction(QStringLiteral("&Close All PST Files"), this,
                                       &MainWindow::closeAllPSTFiles);
    file->addSeparator();
    m_preferencesAction =
        file->addAction(QStringLiteral("&Preferences..."), this, &MainWindow::changePreferences);
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    m_hideEmptyAction = view->addAction(QStringLiteral("&Hide Empty Folders"));
    m_hideEmptyAction->setCheckable(true);
    m_hideEmptyAction->setChecked(m_defaults.boolForKey("ignoreEmptyFolders"));
    connect(m_hideEmptyAction, &QAction::toggled, this, &MainWindow::setIgnoreEmptyFolders);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&User Guide"), this, &MainWindow::openUserGuide);
    help->addAction(QStringLiteral("&Licence Agreement"), this, &MainWindow::showLicence);
    setBusy(false);
}

bool MainWindow::hasOpenedFiles() const {
    return !m_model->rootNode().children().empty();
}

void MainWindow::alert(const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Mailwright"), text,
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void MainWindow::addPSTFile() {
    auto* dialog = new QFileDialog(this, QStringLiteral("Open PST Files"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilter(QStringLiteral("PST files (*.pst *.PST *.ost *.OST)"));
    connect(dialog, &QFileDialog::filesSelected, this, &MainWindow::openPSTFiles);
    dialog->open();
}

void MainWindow::openPSTFiles(const QStringList& paths) {
    if (!m_allowPSTDrop || m_loader->isLoading()) {
        return;
    }
    const ui::DroppedFiles files = ui::FilterDroppedFiles(standardStrings(paths));
    if (!files.rejected.empty()) {
        alert(QString::fromStdString(ui::RejectedFilesAlert(files.rejected)));
    }
    const std::vector<std::string> open = openPaths(m_model->rootNode());
    std::vector<std::string> toLoad;
    for (const std::string& path : files.accepted) {
        if (!ui::IsAlreadyOpen(path, open)) {
            toLoad.push_back(path);
        }
    }
    if (toLoad.empty()) {
        return;
    }
    setBusy(true);
    m_loading->setMessage({});
    m_loading->open();
    m_loader->load(std::move(toLoad));
}

void MainWindow::sessionOpened(std::unique_ptr<ui::TreeNode> sessionRow) {
    m_model->addSession(std::move(sessionRow));
    updateKinds(ui::kClassStore);
}

void MainWindow::loadingFinished() {
    m_tree->expandAll();
    m_loading->hide();
    setBusy(false);
}

void MainWindow::closeAllPSTFiles() {
    while (hasOpenedFiles()) {
        removeSelectedPST(*m_model->rootNode().children().front());
    }
}

void MainWindow::removeSelectedPST(const ui::TreeNode& sessionRow) {
    if (!m_allowPSTDrop) {
        return;
    }
    m_model->removeSession(sessionRow);
    m_tree->expandAll();
    updateKinds(ui::kClassStore);
    setBusy(false);
}

void MainWindow::changeTextEncoding(ui::TreeNode& sessionRow, std::int32_t codePage) {
    if (!m_allowPSTDrop || codePage == sessionRow.pstSession->pstDefaultCodePage()) {
        return;
    }
    sessionRow.pstSession->setPstDefaultCodePage(codePage);
    refreshNames(sessionRow);
    m_model->reload();
    m_tree->expandAll();
}

void MainWindow::setIgnoreEmptyFolders(bool ignore) {
    m_defaults.setBool("ignoreEmptyFolders", ignore);
    m_model->setIgnoreEmptyFolders(ignore);
    m_tree->expandAll();
    updateKinds(ui::kClassStore);
}

void MainWindow::rowTicked(ui::TreeNode* row, bool value, bool excludeSubfolders) {
    ui::KindBoxes kinds = m_options->state().kinds;
    ui::TickRow(m_model->rootNode(), *row, value, excludeSubfolders, kinds);
    m_model->selectionChanged();
    m_options->showKinds(kinds);
}

void MainWindow::kindChanged(int containerClass, int state) {
    ui::ApplyKindBox(m_model->rootNode(), containerClass, state);
    m_model->selectionChanged();
    updateKinds(containerClass);
}

void MainWindow::updateKinds(std::int32_t changedClass) {
    ui::KindBoxes kinds = m_options->state().kinds;
    ui::UpdateAllItemStatusForContainerClass(m_model->rootNode(), changedClass, kinds);
    m_options->showKinds(kinds);
}

void MainWindow::treeClicked(const QModelIndex& index) {
    const ui::TreeNode* node = m_model->nodeAt(index);
    if (index.column() == FolderTreeModel::kCloseColumn &&
        node->treeNodeContainerClass == ui::kClassSession) {
        removeSelectedPST(*node);
    }
}

void MainWindow::treeContextMenu(const QPoint& position) {
    const QModelIndex index = m_tree->indexAt(position);
    ui::TreeNode* node = m_model->nodeAt(index);
    if (!index.isValid() || node->treeNodeContainerClass != ui::kClassSession) {
        return;
    }
    std::unique_ptr<QMenu> menu = sessionMenu(*node);
    menu->exec(m_tree->viewport()->mapToGlobal(position));
}

std::unique_ptr<QMenu> MainWindow::sessionMenu(ui::TreeNode& sessionRow) {
    auto menu = std::make_unique<QMenu>(this);
    QMenu* encodings = menu->addMenu(QStringLiteral("Text Encoding"));
    encodings->setEnabled(m_allowPSTDrop && !sessionRow.pstSession->isUnicodePST());
    ui::TreeNode* node = &sessionRow;
    for (const text::TextEncodingItem* row : text::AvailableCodePages()) {
        QAction* item = encodings->addAction(QString::fromLatin1(row->displayName));
        item->setCheckable(true);
        item->setChecked(static_cast<std::int32_t>(row->codePage) ==
                         node->pstSession->pstDefaultCodePage());
        const auto codePage = static_cast<std::int32_t>(row->codePage);
        connect(item, &QAction::triggered, this,
                [this, node, codePage] { changeTextEncoding(*node, codePage); });
    }
    QAction* close = menu->addAction(QStringLiteral("Close PST"));
    close->setEnabled(m_allowPSTDrop);
    connect(close, &QAction::triggered, this, [this, node] { removeSelectedPST(*node); });
    return menu;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!m_allowPSTDrop || m_loader->isLoading() || !event->mimeData()->hasUrls()) {
        return;
    }
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile() && ui::IsMailboxFileName(url.toLocalFile().toStdString())) {
            event->acceptProposedAction();
            return;
        }
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    event->acceptProposedAction();
    openPSTFiles(paths);
}

QString MainWindow::askForOutputFolder() {
    QFileDialog dialog(this, QStringLiteral("Select a folder to save converted data:"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Save"));
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().front();
}

void MainWindow::start() {
    if (m_run || !m_allowPSTDrop) {
        return;
    }
    setBusy(true);
    exporting::_ExportSettings settings =
        ui::MakeRunSettings(m_options->state(), m_options->switchValues(), m_model->rootNode());
    const QString folder = chooseOutputFolder();
    if (folder.isEmpty()) {
        cleanUp();
        return;
    }
    const std::string chosen =
        std::filesystem::absolute(folder.toStdString()).lexically_normal().string();
    if (const auto failed = targets::PrepareTargetOutput(
            settings, chosen, targets::KindsOfFolders(settings.ExportItems), std::time(nullptr),
            platform::ResourceDirectory())) {
        alert(QStringLiteral("The output folder could not be prepared:\n%1")
                  .arg(QString::fromStdString(*failed)));
        cleanUp();
        return;
    }
    m_progress->reset();
    m_run = std::make_unique<ExportRun>(
        std::move(settings), *m_progress,
        [this](const exporting::ExportResult& result) { runEnded(result); });
    m_progress->setCancelable(&m_run->cancelable());
    m_progress->open();
    m_run->start();
}

void MainWindow::runEnded(const exporting::ExportResult& result) {
    m_progress->hide();
    m_progress->setCancelable(nullptr);
    m_report->showRun(result, m_run->log(), m_run->settings());
    m_report->open();
}

void MainWindow::cleanUp() {
    m_run.reset();
    setBusy(false);
}

void MainWindow::setBusy(bool busy) {
    m_allowPSTDrop = !busy;
    m_options->setRunning(busy);
    m_model->setEditable(!busy);
    m_openAction->setEnabled(!busy);
    m_closeAllAction->setEnabled(!busy && hasOpenedFiles());
    m_hideEmptyAction->setEnabled(!busy);
    m_preferencesAction->setEnabled(!busy);
}

void MainWindow::changePreferences() {
    m_preferences->load();
    m_preferences->open();
}

void MainWindow::openUserGuide() {
    const std::string folder = platform::ResourceDirectory();
    const QString guide =
        QString::fromStdString((std::filesystem::path(folder) / kUserGuideName).string());
    if (folder.empty() || !QFileInfo::exists(guide)) {
        alert(QStringLiteral("The user guide \"%1\" is not installed.")
                  .arg(QString::fromLatin1(kUserGuideName)));
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(guide));
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        QTimer::singleShot(0, this, &MainWindow::firstActivation);
    }
}

void MainWindow::firstActivation() {
    if (!m_defaults.boolForKey("userGuideOpened")) {
        m_defaults.setBool("userGuideOpened", true);
        openUserGuide();
    }
    if (!m_defaults.boolForKey("licenseAgreed")) {
        showLicence();
    }
}

void MainWindow::showLicence() {
    auto* licence = new LicenceDialog(this);
    licence->setAttribute(Qt::WA_DeleteOnClose);
    connect(licence, &QDialog::accepted, this,
            [this] { m_defaults.setBool("licenseAgreed", true); });
    connect(licence, &QDialog::rejected, this, [this] {
        if (!m_defaults.boolForKey("licenseAgreed")) {
            close();
        }
    });
    licence->open();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A run still going on stops after its current item.
    m_run.reset();
    QMainWindow::closeEvent(event);
}

}  // namespace mailwright::desktop
