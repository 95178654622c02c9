// Messages of a mail folder made ahead of the item loop by worker threads.
// Each worker has a session of its own on the folder's PST file (its own
// file handle and caches: a session is used by one thread at a time) and a
// message writer of its own; a free worker takes the next row of the
// folder's contents table not yet taken, so that one long message does not
// hold the others up. The item loop still announces, writes and counts
// every item itself, in the table's order; for a row a worker made, it takes
// the text and the fields it shows and files the item by instead of reading
// the message and making it, so that output, report, progress and
// cancellation are what they are with no workers.
//
// A worker gives a row back to the loop, which then makes it as it would
// with no workers, when the row is not plain folder mail, when its text
// would pass kMaxPreparedBytes, or when making it fails (the loop meets the
// failure itself and records it). Workers take rows at most kAheadRows past
// the one the loop waits for, and while their finished texts together stay
// within kAheadBytes or are fewer than the workers; the row the loop waits
// for is always taken.
//
//   MessageLookahead ahead(sessions, folder, framing, factory);
//   PreparedMessage prepared = ahead.take(row);   // rows in rising order
//   if (prepared.ready) { use prepared.text } else { make the row here }
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "export/message_text_writer.h"
#include "model/message.h"
#include "pstread/ndb/types.h"
#include "pstread/pst/folder.h"

namespace mailwright::model {
class PSTSession;
}

namespace mailwright::exporting {

// The largest text a worker keeps; a longer message is made by the loop.
inline constexpr std::size_t kMaxPreparedBytes = 16u << 20;
// How far the workers run ahead of the loop, in rows and in bytes of
// finished texts waiting (one text is always taken, however long). A few
// dozen messages ahead keep the loop fed and the workers busy; the bounds
// keep memory the same for a small and a large mailbox.
inline constexpr std::size_t kAheadRows = 64;
inline constexpr std::size_t kAheadBytes = 4u << 20;
// A waiting loop is woken once this many rows from the one it waits for are
// made (or sooner, when the workers cannot go on without it): a wake for
// every row costs about as much as making a small message.
inline constexpr std::size_t kWakeRows = 8;

struct PreparedMessage {
    bool ready = false;  // false: the loop makes the row itself
    // What the loop needs of the message besides its text, so that it need
    // not read the message again.
    model::MessageFields fields;
    std::string text;
    std::vector<std::string> losses;
    // System log lines written while the text was made, for the loop to log
    // in its order.
    std::vector<std::string> logLines;
};

class MessageLookahead {
public:
    // One worker per session; `folderId` and `folderKind` name the folder in
    // each session's file. Writers are made here, on the calling thread.
    MessageLookahead(const std::vector<std::shared_ptr<model::PSTSession>>& sessions,
                     pstread::node_id folderId, std::int32_t folderKind, MessageFraming framing,
                     const MessageTextWriterFactory& factory);
    // Stops the workers after the message each is making.
    ~MessageLookahead();
    MessageLookahead(const MessageLookahead&) = delete;
    MessageLookahead& operator=(const MessageLookahead&) = delete;

    // Row `row`'s text, waiting for its worker. Rows are asked for in rising
    // order; rows passed over are dropped.
    PreparedMessage take(std::size_t row);

private:
    struct Worker {
        std::shared_ptr<model::PSTSession> session;
        std::unique_ptr<MessageTextWriter> writer;
        std::optional<pstread::folder> folder;  // opened by the worker
        std::thread thread;
    };

    void run(Worker& worker);
    // The next row for a worker, or nothing when the folder is done or the
    // lookahead stops. Called with `lock` held; waits within the bounds.
    std::optional<std::size_t> claimRow(std::unique_lock<std::mutex>& lock, std::size_t rows);
    void finish(std::size_t row, PreparedMessage message);
    // Whether the waiting loop should be woken. Called with the mutex held.
    bool loopMayGoOn() const;
    PreparedMessage prepare(Worker& worker, std::size_t row);

    pstread::node_id m_folderId;
    std::int32_t m_folderKind;
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::atomic<bool> m_stop{false};

    std::mutex m_mutex;
    std::condition_variable m_rowReady;     // the loop waits for its row
    std::condition_variable m_windowMoved;  // workers wait for room ahead
    std::size_t m_waitingWorkers = 0;
    bool m_loopWaiting = false;
    std::size_t m_wanted = 0;   // the row the loop asks for next
    std::size_t m_nextRow = 0;  // the next row no worker has taken
    std::size_t m_running = 0;  // workers not yet finished
    std::map<std::size_t, PreparedMessage> m_finished;
    std::size_t m_finishedBytes = 0;
};

}  // namespace mailwright::exporting
