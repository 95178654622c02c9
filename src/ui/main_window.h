// The main window: the tree of open PST files with their folders, the
// options below it, and the run from Start to the report window. It owns the
// open files (through the tree's rows), the loader and the current run.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

#include "export/export_result.h"
#include "platform/user_defaults.h"
#include "ui/logic/folder_tree.h"

class QAction;
class QMenu;
class QTreeView;

namespace mailwright::desktop {

class ExportRun;
class FolderTreeModel;
class OptionsPanel;
class LoadingDialog;
class PreferencesDialog;
class ProgressDialog;
class PstLoader;
class ReportWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(platform::UserDefaults& defaults, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens the PST and OST files among `paths` that are not open yet, on
    // the loading thread; names the others in an alert.
    void openPSTFiles(const QStringList& paths);
    void closeAllPSTFiles();
    void removeSelectedPST(const ui::TreeNode& sessionRow);
    void changeTextEncoding(ui::TreeNode& sessionRow, std::int32_t codePage);
    void setIgnoreEmptyFolders(bool ignore);
    // The context menu of a PST row: its text encodings (ANSI files only,
    // the current one checked) and Close PST.
    std::unique_ptr<QMenu> sessionMenu(ui::TreeNode& sessionRow);
    // Start: the output folder, the destination's preparation, then the run.
    void start();

    bool allowPSTDrop() const { return m_allowPSTDrop; }
    bool hasOpenedFiles() const;
    bool isRunning() const { return m_run != nullptr; }

    // Chooses the output folder; the folder dialog unless replaced (tests).
    std::function<QString()> chooseOutputFolder;

    FolderTreeModel* treeModel() const { return m_model; }
    QTreeView* treeView() const { return m_tree; }
    OptionsPanel* options() const { return m_options; }
    ProgressDialog* progressDialog() const { return m_progress; }
    ReportWindow* reportWindow() const { return m_report; }
    PreferencesDialog* preferencesDialog() const { return m_preferences; }
    LoadingDialog* loadingDialog() const { return m_loading; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildCentralWidget();
    QString askForOutputFolder();
    void addPSTFile();
    void changePreferences();
    void openUserGuide();
    void firstActivation();
    void showLicence();
    void alert(const QString& text);

    void sessionOpened(std::unique_ptr<ui::TreeNode> sessionRow);
    void loadingFinished();
    void rowTicked(ui::TreeNode* row, bool value, bool excludeSubfolders);
    void kindChanged(int containerClass, int state);
    void updateKinds(std::int32_t changedClass);
    void treeClicked(const QModelIndex& index);
    void treeContextMenu(const QPoint& position);
    void runEnded(const exporting::ExportResult& result);
    void cleanUp();
    void setBusy(bool busy);

    platform::UserDefaults& m_defaults;
    FolderTreeModel* m_model = nullptr;
    QTreeView* m_tree = nullptr;
    OptionsPanel* m_options = nullptr;
    ProgressDialog* m_progress = nullptr;
    ReportWindow* m_report = nullptr;
    PreferencesDialog* m_preferences = nullptr;
    LoadingDialog* m_loading = nullptr;
    QAction* m_openAction = nullptr;
    QAction* m_closeAllAction = nullptr;
    QAction* m_hideEmptyAction = nullptr;
    QAction* m_preferencesAction = nullptr;
    PstLoader* m_loader = nullptr;
    std::unique_ptr<ExportRun> m_run;
    bool m_allowPSTDrop = true;
    bool m_activated = false;
};

}  // namespace mailwright::desktop
