#include "ui/export_run.h"

namespace mailwright::desktop {

ExportRun::ExportRun(exporting::_ExportSettings settings, exporting::IProgressPresenter& presenter,
                     std::function<void(const exporting::ExportResult&)> ended, QObject* parent)
    : QObject(parent),
      m_settings(std::move(settings)),
      m_agent(&m_settings),
      m_presenter(presenter),
      m_ended(std::move(ended)) {}

ExportRun::~ExportRun() {
    if (m_thread != nullptr) {
        m_agent.Cancel();
        m_thread->wait();
        delete m_thread;
    }
}

void ExportRun::start() {
    m_thread = QThread::create([this] {
        const exporting::ExportResult result =
            m_agent.DoExportWithProgressPresenter(m_presenter, m_logger);
        m_presenter.updateCurrentProgressValue(0);
        m_presenter.updateOverallProgressValue(0);
        QMetaObject::invokeMethod(
            this, [this, result] { m_ended(result); }, Qt::QueuedConnection);
    });
    m_thread->start();
}

}  // namespace mailwright::desktop
