// Opens PST files on a thread of its own, one request at a time, and hands
// every result to the interface thread: the loading message, each opened
// file's tree row (built on the loading thread, so the window never waits on
// the file) and each file that could not be opened.
#pragma once

#include <QObject>
#include <QThread>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/user_defaults.h"
#include "ui/logic/folder_tree.h"

namespace mailwright::desktop {

class PstLoader : public QObject {
    Q_OBJECT

public:
    // Called on the interface thread, in this order per file.
    struct Handlers {
        std::function<void(const QString& message)> loading;
        std::function<void(std::unique_ptr<ui::TreeNode> sessionRow)> opened;
        std::function<void(const QString& path)> failed;
        std::function<void()> finished;
    };

    PstLoader(const platform::UserDefaults& defaults, Handlers handlers, QObject* parent = nullptr);
    // Waits for a load that is still going on.
    ~PstLoader() override;

    bool isLoading() const { return m_thread != nullptr; }
    // Starts loading `paths` in order; ignored while a load goes on.
    void load(std::vector<std::string> paths);

private:
    void loadOne(const std::string& path);
    void whenDone();

    const platform::UserDefaults& m_defaults;
    Handlers m_handlers;
    QThread* m_thread = nullptr;
};

}  // namespace mailwright::desktop
