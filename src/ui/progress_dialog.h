// The progress dialog of a run, and the run's progress presenter. The
// export thread calls the presenter operations; each stores the value and,
// unless a repaint is already on its way, posts one to the interface thread,
// so the export thread never waits for the window and a fast run does not
// flood the event queue.
#pragma once

#include <QDialog>
#include <atomic>
#include <mutex>

#include "export/export_protocols.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace mailwright::desktop {

class ProgressDialog : public QDialog, public exporting::IProgressPresenter {
    Q_OBJECT

public:
    explicit ProgressDialog(QWidget* parent = nullptr);

    // Whom Cancel stops; null between runs.
    void setCancelable(exporting::ICancelable* cancelable) { m_cancelable = cancelable; }
    // Shows empty labels and bars at 0 for a new run.
    void reset();

    void updateProgressMessage(const std::string& text) override;
    void updateCurrentProgressLabel(const std::string& text) override;
    void updateOverallFoldersLabel(const std::string& text) override;
    void updateOverallItemsLabel(const std::string& text) override;
    void updateCurrentProgressValue(float percent) override;
    void updateOverallProgressValue(float percent) override;
    void setFilePath(const std::string& path) override;

    QPushButton* cancelButton() const { return m_cancel; }

private:
    // What the window shows, as the export thread last set it.
    struct Shown {
        std::string progressMessage;
        std::string filePath;
        std::string currentProgressLabel;
        std::string overallFoldersLabel;
        std::string overallItemsLabel;
        float currentProgressValue = 0;
        float overallProgressValue = 0;
    };

    template <typename Change>
    void update(Change change);
    void showPending();
    void doCancel();
    // Stops a dialog key (Escape) from closing the dialog behind the run's
    // back; Escape cancels the run instead.
    void reject() override;

    std::mutex m_mutex;
    Shown m_pending;
    std::atomic<bool> m_repaintPosted{false};
    exporting::ICancelable* m_cancelable = nullptr;

    QLabel* m_message = nullptr;
    QLabel* m_filePath = nullptr;
    QLabel* m_currentLabel = nullptr;
    QProgressBar* m_currentBar = nullptr;
    QLabel* m_foldersLabel = nullptr;
    QLabel* m_itemsLabel = nullptr;
    QProgressBar* m_overallBar = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace mailwright::desktop
