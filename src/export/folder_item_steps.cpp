// The one item loop of every exporter: taking each item from the folder's
// cursor, recording it, producing its text through the kind's sink, writing
// it, counting it or recording it as skipped, progress and cancellation, and
// the folder's end.
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "export/capped_text_buffer.h"
#include "export/conversion_report.h"
#include "export/item_kind_router.h"
#include "export/item_sink.h"
#include "export/message_lookahead.h"
#include "export/outlook_assets_export_agent.h"
#include "model/mapi_folder.h"
#include "model/message.h"
#include "model/message_store.h"
#include "model/pst_session.h"
#include "platform/system_log.h"
#include "platform/user_defaults.h"

namespace mailwright::exporting {

OutlookAssetsExportAgent::FolderState OutlookAssetsExportAgent::startFolder(
    const model::MAPIFolder& folder) const {
    FolderState state;
    state.status = isCanceled() ? Cancelled : Success;
    state.callsLeft = folder.getFolder().get_contents_table().size() + 1;
    return state;
}

void OutlookAssetsExportAgent::logNoOutputFolder(const model::MAPIFolder& folder,
                                                 const std::string& base) {
    platform::log_line("File opening failed for the folder " + folder.fullFolderPath() +
                       ": no output folder " + base + ".");
}

void OutlookAssetsExportAgent::runItems(model::MAPIFolder& folder, ItemSink& sink,
                                        FolderState& state, IProgressPresenter& presenter,
                                        ConversionReport& report, MessageLookahead* ahead) {
    std::string text;
    for (;;) {
        // A row its worker made is taken without reading the message again;
        // any other row is read here (the cursor skips a row it cannot read,
        // so the row read may come later than the one asked for).
        PreparedMessage prepared =
            ahead != nullptr ? ahead->take(folder.queryRow()) : PreparedMessage{};
        const auto item = prepared.ready ? nextPreparedItem(folder, state, prepared)
                                         : nextItem(folder, sink, state, report);
        if (!item) {
            break;
        }
        if (!sink.takes(*item)) {
            ++state.leftOut;
            takeCancelRequest(state);
            continue;
        }
        announceItem(folder, sink, *item, state, presenter, report);
        if (prepared.ready) {
            for (const std::string& line : prepared.logLines) {
                platform::log_line(line);
            }
            text = std::move(prepared.text);
        } else if (!produceItem(sink, *item, text, state, report)) {
            continue;
        }
        if (!sink.write(*item, text)) {
            state.status = Failed;
            state.failure = sink.failureText();
            break;
        }
        if (std::vector<std::string> losses =
                prepared.ready ? std::move(prepared.losses) : sink.losses();
            !losses.empty()) {
            itemIncomplete(state, report, sink.itemText(*item), std::move(losses));
        }
        itemConverted(folder, state, presenter);
    }
}

void OutlookAssetsExportAgent::finishSink(ItemSink& sink, FolderState& state) {
    if (!sink.finish() && state.status != Failed) {
        state.status = Failed;
        state.failure = sink.failureText();
    }
}

std::shared_ptr<model::Message> OutlookAssetsExportAgent::nextItem(model::MAPIFolder& folder,
                                                                   const ItemSink& sink,
                                                                   FolderState& state,
                                                                   ConversionReport& report) {
    while (state.status == Success && state.callsLeft > 0) {
        --state.callsLeft;
        try {
            return folder.queryMessage();
        } catch (const std::exception& error) {
            skipItem(state, report, sink.corruptItemText(error.what()), {}, error.what());
        } catch (...) {
            skipItem(state, report, sink.corruptItemText(""), {}, "unknown error");
        }
        takeCancelRequest(state);
    }
    return nullptr;
}

std::shared_ptr<model::Message> OutlookAssetsExportAgent::nextPreparedItem(
    model::MAPIFolder& folder, FolderState& state, PreparedMessage& prepared) {
    if (state.status != Success || state.callsLeft == 0) {
        return nullptr;
    }
    --state.callsLeft;
    return folder.queryPreparedMessage(std::move(prepared.fields));
}

void OutlookAssetsExportAgent::skipItem(FolderState& state, ConversionReport& report,
                                        const std::string& diagnostic, const std::string& item,
                                        const std::string& reason) {
    report.skippedItem(reason);
    platform::log_line(diagnostic);
    ++state.skipped;
    _runRecord.addProblem({_currentFilePath, _currentFolderPath, item, true, {reason}});
}

void OutlookAssetsExportAgent::itemIncomplete(FolderState& state, ConversionReport& report,
                                              const std::string& item,
                                              std::vector<std::string> losses) {
    report.incompleteItem(losses);
    ++state.incomplete;
    _runRecord.addProblem({_currentFilePath, _currentFolderPath, item, false, std::move(losses)});
}

void OutlookAssetsExportAgent::announceItem(const model::MAPIFolder& folder, const ItemSink& sink,
                                            const model::Message& item, const FolderState& state,
                                            IProgressPresenter& presenter,
                                            ConversionReport& report) {
    const std::string text = sink.itemText(item);
    presenter.updateProgressMessage(text);
    presenter.updateCurrentProgressLabel("Converting: " + folder.folderName() + " [ " +
                                         std::to_string(state.converted + 1) + " / " +
                                         std::to_string(folder.contentCount()) + "]");
    report.itemLine(text + "\r\n\r\n");
}

bool OutlookAssetsExportAgent::produceItem(ItemSink& sink, model::Message& item, std::string& text,
                                           FolderState& state, ConversionReport& report) {
    try {
        // Written into the loop's own string, whose room stays from item to item.
        text.clear();
        CappedTextBuffer buffer(text);
        std::ostream out(&buffer);
        sink.produce(item, out);
        return true;
    } catch (const std::exception& error) {
        skipItem(state, report, sink.conversionErrorText(item, error.what()), sink.itemText(item),
                 error.what());
    } catch (...) {
        skipItem(state, report, sink.conversionErrorText(item, ""), sink.itemText(item),
                 "unknown error");
    }
    takeCancelRequest(state);
    return false;
}

void OutlookAssetsExportAgent::itemConverted(const model::MAPIFolder& folder, FolderState& state,
                                             IProgressPresenter& presenter) {
    const std::uint32_t before = state.converted;
    ++state.converted;
    ++_numberOfItemsExported;
    UpdateProgressPresenterWithPresenter(presenter, before, folder.contentCount());
    takeCancelRequest(state);
}

void OutlookAssetsExportAgent::takeCancelRequest(FolderState& state) const {
    if (state.status == Success && isCanceled()) {
        state.status = Cancelled;
    }
}

ExportResult OutlookAssetsExportAgent::finishFolder(FolderState& state, ConversionReport& report,
                                                    const std::string& kindWord,
                                                    const std::string& savedIn,
                                                    std::optional<std::string> referencesSavedIn,
                                                    const ItemKindRouter* router) {
    FolderFooter footer{state.converted,
                        kindWord,
                        state.skipped,
                        state.status,
                        savedIn,
                        std::move(referencesSavedIn),
                        0,
                        0,
                        state.leftOut};
    if (router != nullptr) {
        footer.converted = router->count(ItemRoute::folder);
        footer.contacts = router->count(ItemRoute::contacts);
        footer.calendarEvents = router->count(ItemRoute::calendar);
    }
    report.folderFooter(footer, {state.incomplete, state.failure});
    // Skipped or incomplete items make a finished folder "completed with
    // errors"; a cancel or a failure stays what it is, so that the run stops.
    if ((state.skipped > 0 || state.incomplete > 0) && state.status == Success) {
        state.status = CompletedWithErrors;
    }
    _currentFolderRecord.kindWord = kindWord;
    _currentFolderRecord.converted = footer.converted;
    _currentFolderRecord.contacts = footer.contacts;
    _currentFolderRecord.calendarEvents = footer.calendarEvents;
    _currentFolderRecord.leftOut = footer.leftOut;
    _currentFolderRecord.skipped = state.skipped;
    _currentFolderRecord.incomplete = state.incomplete;
    _currentFolderRecord.savedIn = savedIn;
    _currentFolderRecord.error = state.failure;
    _runRecord.counts.skipped += state.skipped;
    _runRecord.counts.incomplete += state.incomplete;
    return ExportResult{state.status, 0, 0, 0};
}

std::unique_ptr<MessageTextWriter> OutlookAssetsExportAgent::makeWriter(
    const model::MAPIFolder& folder, MessageFraming framing) const {
    const auto store = folder.ownerStore();
    const auto session = store ? store->ownerSession() : nullptr;
    if (!session) {
        throw std::logic_error("the folder's PST file is no longer open");
    }
    return _writerFactory(*session, framing);
}

std::unique_ptr<MessageLookahead> OutlookAssetsExportAgent::mailLookahead(
    const model::MAPIFolder& folder, MessageFraming framing) {
    const std::int32_t workers = _exportSettingsP->Workers;
    const auto store = folder.ownerStore();
    const auto session = store ? store->ownerSession() : nullptr;
    // Starting workers (threads, their writers and formatters) costs more
    // than a few messages take.
    constexpr std::size_t kFewestRowsForWorkers = 16;
    if (workers <= 1 || !session ||
        folder.getFolder().get_contents_table().size() < kFewestRowsForWorkers) {
        return nullptr;
    }
    auto [place, opening] = _workerSessions.try_emplace(session.get());
    if (opening) {
        // The workers decode 8-bit text with the run's session's code page,
        // whatever the user's settings say, and take it for the same reason:
        // a given code page is given to them too, so that messages do not
        // follow the code pages they record; otherwise they find the same
        // recorded code page, or none and the same default.
        const platform::InMemoryUserDefaults defaults(
            {{model::kDefaultCodePageKey, std::int64_t{session->pstDefaultCodePage()}}});
        const model::CodePageChoice& choice = session->codePageChoice();
        const std::optional<std::int32_t> given = choice.source == model::CodePageSource::given
                                                      ? std::optional<std::int32_t>(choice.codePage)
                                                      : std::nullopt;
        std::vector<std::string> held;  // the run's session logged these already
        platform::hold_thread_log_lines(&held);
        try {
            for (std::int32_t i = 0; i < workers; ++i) {
                place->second.push_back(
                    model::PSTSession::initWithFile(session->pstFilePath(), defaults, given));
            }
        } catch (const std::exception& error) {
            place->second.clear();
            platform::hold_thread_log_lines(nullptr);
            platform::log_line(
                "Mail of " + session->pstFilePath() +
                " is made by one thread: the file cannot be opened again: " + error.what());
        }
        platform::hold_thread_log_lines(nullptr);
    }
    if (place->second.empty()) {
        return nullptr;
    }
    return std::make_unique<MessageLookahead>(place->second, folder.getFolder().get_id(),
                                              folder.defaultItemType(), framing, _writerFactory);
}

}  // namespace mailwright::exporting
