#include "ui/pst_loader.h"

#include <filesystem>

#include "model/message_store.h"
#include "model/pst_session.h"
#include "ui/logic/window_texts.h"

namespace mailwright::desktop {

PstLoader::PstLoader(const platform::UserDefaults& defaults, Handlers handlers, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_handlers(std::move(handlers)) {}

PstLoader::~PstLoader() {
    if (m_thread != nullptr) {
        m_thread->wait();
    }
}

void PstLoader::load(std::vector<std::string> paths) {
    if (m_thread != nullptr) {
        return;
    }
    m_thread = QThread::create([this, paths = std::move(paths)] {
        for (const std::string& path : paths) {
            loadOne(path);
        }
    });
    connect(m_thread, &QThread::finished, this, &PstLoader::whenDone);
    m_thread->start();
}

void PstLoader::loadOne(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    QMetaObject::invokeMethod(
        this,
        [this, message = QString::fromStdString(ui::LoadingMessage(name))] {
            m_handlers.loading(message);
        },
        Qt::QueuedConnection);
    // The row goes to the interface thread whole; the shared holder only
    // carries it through the queued call.
    std::shared_ptr<std::unique_ptr<ui::TreeNode>> row;
    try {
        const auto session = model::PSTSession::initWithFile(path, m_defaults);
        row =
            std::make_shared<std::unique_ptr<ui::TreeNode>>(ui::PopulateTreeForPSTSession(session));
    } catch (...) {
        QMetaObject::invokeMethod(
            this, [this, failed = QString::fromStdString(path)] { m_handlers.failed(failed); },
            Qt::QueuedConnection);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, row] { m_handlers.opened(std::move(*row)); }, Qt::QueuedConnection);
}

void PstLoader::whenDone() {
    m_thread->deleteLater();
    m_thread = nullptr;
    m_handlers.finished();
}

}  // namespace mailwright::desktop
