// Messages of a mail folder made ahead of the item loop by worker threads.
// Each worker has a session of its own on the folder's PST file (its own
// file handle and caches: a session is used by one thread at a time) and
// makes the text of every Nth row of the folder's contents table with a
// message writer of its own. The item loop still announces, writes and
// counts every item itself, in the table's order; for a row its worker
// made, it takes the text and the fields it shows and files the item by
// instead of reading the message and making it, so that output, report,
// progress and cancellation are what they are with no workers.
//
// A worker gives a row back to the loop, which then makes it as it would
// with no workers, when the row is not plain folder mail, when its text
// would pass kMaxPreparedBytes, or when making it fails (the loop meets the
// failure itself and records it). Each worker keeps at most
// kWorkerQueueBytes of finished texts waiting.
//
//   MessageLookahead ahead(sessions, folder, framing, factory);
//   PreparedMessage prepared = ahead.take(row);   // rows in rising order
//   if (prepared.ready) { use prepared.text } else { make the row here }
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
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
// Finished texts a worker keeps waiting for the loop, in bytes and count
// (a queue always takes one text, however long). A few dozen messages ahead
// are enough to keep the loop fed; the bounds keep a worker's memory the
// same for a small and a large mailbox, as the loop is usually the slower.
inline constexpr std::size_t kWorkerQueueBytes = 2u << 20;
inline constexpr std::size_t kWorkerQueueItems = 16;

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
    struct Finished {
        std::size_t row;
        PreparedMessage message;
    };
    struct Worker {
        std::shared_ptr<model::PSTSession> session;
        std::unique_ptr<MessageTextWriter> writer;
        std::optional<pstread::folder> folder;  // opened by the worker
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<Finished> queue;
        std::size_t queuedBytes = 0;
        bool done = false;  // no more rows will come
        std::thread thread;
    };

    void run(Worker& worker, std::size_t first);
    PreparedMessage prepare(Worker& worker, std::size_t row);

    pstread::node_id m_folderId;
    std::int32_t m_folderKind;
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::atomic<bool> m_stop{false};
};

}  // namespace mailwright::exporting
