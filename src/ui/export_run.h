// One conversion run started from the window: its settings, log and agent,
// and the export thread that runs it. The thread reports the end through a
// queued call to the interface thread and never waits for it.
#pragma once

#include <QObject>
#include <QThread>
#include <functional>

#include "export/export_result.h"
#include "export/export_settings.h"
#include "export/outlook_assets_export_agent.h"
#include "export/string_logger.h"

namespace mailwright::desktop {

class ExportRun : public QObject {
    Q_OBJECT

public:
    // `settings` holds the prepared output paths; `presenter` outlives the
    // run. `ended` is called on the interface thread with the result.
    ExportRun(exporting::_ExportSettings settings, exporting::IProgressPresenter& presenter,
              std::function<void(const exporting::ExportResult&)> ended, QObject* parent = nullptr);
    // Cancels a run that still goes on and waits for its thread.
    ~ExportRun() override;

    void start();
    exporting::ICancelable& cancelable() { return m_agent; }
    const exporting::_ExportSettings& settings() const { return m_settings; }
    // The log; complete once `ended` was called.
    const std::string& log() const { return m_logger.getLogString(); }

private:
    exporting::_ExportSettings m_settings;
    exporting::StringLogger m_logger;
    exporting::OutlookAssetsExportAgent m_agent;
    exporting::IProgressPresenter& m_presenter;
    std::function<void(const exporting::ExportResult&)> m_ended;
    QThread* m_thread = nullptr;
};

}  // namespace mailwright::desktop
