// Contacts folders: their exporter converts nothing yet, so such a folder yields an all-zero result
// and the walk goes on.
#include "export/outlook_assets_export_agent.h"

namespace mailwright::exporting {

ExportResult OutlookAssetsExportAgent::ExportFolderToVCFWithFolder(
    const std::shared_ptr<model::MAPIFolder>& /*folder*/, IProgressPresenter& /*presenter*/,
    ILogger& /*logger*/) {
    return ExportResult{};
}

}  // namespace mailwright::exporting
