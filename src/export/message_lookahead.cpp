#include "export/message_lookahead.h"

#include <algorithm>
#include <exception>
#include <ostream>

#include "export/capped_text_buffer.h"
#include "export/item_kind_router.h"
#include "model/message.h"
#include "model/pst_session.h"
#include "platform/system_log.h"
#include "pstread/ltp/table.h"
#include "pstread/pst/folder.h"
#include "text/time_zone.h"

namespace mailwright::exporting {
namespace {

// Room for a message's text made from `storedSize` bytes: base64 makes four
// characters of three bytes, and headers and boundaries add a little. One
// reservation instead of a dozen doublings, each copying the text so far.
std::size_t expectedTextBytes(std::uint32_t storedSize) {
    constexpr std::size_t kHeaderRoom = 8u << 10;
    return std::min(kMaxPreparedBytes, std::size_t{storedSize} / 3 * 4 + kHeaderRoom);
}

}  // namespace

MessageLookahead::MessageLookahead(const std::vector<std::shared_ptr<model::PSTSession>>& sessions,
                                   pstread::node_id folderId, std::int32_t folderKind,
                                   MessageFraming framing, const MessageTextWriterFactory& factory)
    : m_folderId(folderId), m_folderKind(folderKind) {
    for (const auto& session : sessions) {
        auto worker = std::make_unique<Worker>();
        worker->session = session;
        // A writer that cannot be made leaves every row to the loop.
        std::vector<std::string> held;
        platform::hold_thread_log_lines(&held);
        try {
            worker->writer = factory(*session, framing);
        } catch (const std::exception&) {
            worker->writer.reset();
        }
        platform::hold_thread_log_lines(nullptr);
        if (worker->writer) {
            m_workers.push_back(std::move(worker));
        }
    }
    m_running = m_workers.size();
    for (const auto& worker : m_workers) {
        worker->thread = std::thread([this, &worker = *worker] { run(worker); });
    }
}

MessageLookahead::~MessageLookahead() {
    m_stop.store(true);
    { std::lock_guard lock(m_mutex); }
    m_windowMoved.notify_all();
    m_rowReady.notify_all();
    for (const auto& worker : m_workers) {
        worker->thread.join();
    }
}

PreparedMessage MessageLookahead::take(std::size_t row) {
    if (m_workers.empty()) {
        return {};
    }
    std::unique_lock lock(m_mutex);
    if (row > m_wanted) {
        m_wanted = row;
        // Rows passed over are dropped; workers may now run further ahead.
        while (!m_finished.empty() && m_finished.begin()->first < row) {
            m_finishedBytes -= m_finished.begin()->second.text.capacity();
            m_finished.erase(m_finished.begin());
        }
        if (m_waitingWorkers > 0) {
            m_windowMoved.notify_all();
        }
    }
    for (;;) {
        if (const auto found = m_finished.find(row); found != m_finished.end()) {
            PreparedMessage taken = std::move(found->second);
            m_finishedBytes -= taken.text.capacity();
            m_finished.erase(found);
            return taken;
        }
        // A row no worker has taken and none will: the loop makes it.
        if (row >= m_nextRow && m_running == 0) {
            return {};
        }
        m_loopWaiting = true;
        m_rowReady.wait(lock);
        m_loopWaiting = false;
    }
}

std::optional<std::size_t> MessageLookahead::claimRow(std::unique_lock<std::mutex>& lock,
                                                      std::size_t rows) {
    for (;;) {
        m_nextRow = std::max(m_nextRow, m_wanted);  // rows the loop has passed are not made
        if (m_stop || m_nextRow >= rows) {
            return std::nullopt;
        }
        // Past the bytes bound each worker may still leave one text waiting,
        // so that long messages are made side by side too.
        if (m_nextRow == m_wanted ||
            (m_nextRow < m_wanted + kAheadRows &&
             (m_finishedBytes < kAheadBytes || m_finished.size() < m_workers.size()))) {
            return m_nextRow++;
        }
        ++m_waitingWorkers;
        if (m_loopWaiting && loopMayGoOn()) {
            m_rowReady.notify_one();  // the loop must make room
        }
        m_windowMoved.wait(lock);
        --m_waitingWorkers;
    }
}

void MessageLookahead::finish(std::size_t row, PreparedMessage message) {
    std::lock_guard lock(m_mutex);
    if (row < m_wanted) {
        return;  // the loop has passed it
    }
    m_finishedBytes += message.text.capacity();
    m_finished.emplace(row, std::move(message));
    if (m_loopWaiting && loopMayGoOn()) {
        m_rowReady.notify_one();
    }
}

bool MessageLookahead::loopMayGoOn() const {
    auto found = m_finished.find(m_wanted);
    if (found == m_finished.end()) {
        return false;
    }
    // Workers that wait for room, or have stopped, need the loop to move now.
    if (m_waitingWorkers > 0 || m_running < m_workers.size()) {
        return true;
    }
    std::size_t ready = 0;
    for (std::size_t next = m_wanted; found != m_finished.end() && found->first == next;
         ++found, ++next) {
        if (++ready == kWakeRows) {
            return true;
        }
    }
    return false;
}

void MessageLookahead::run(Worker& worker) {
    std::size_t rows = 0;
    try {
        worker.folder.emplace(worker.session->pstSession().open_folder(m_folderId));
        rows = worker.folder->get_contents_table().size();
    } catch (...) {
        rows = 0;  // the other workers, or the loop, make the rows
    }
    for (;;) {
        std::optional<std::size_t> row;
        {
            std::unique_lock lock(m_mutex);
            row = claimRow(lock, rows);
        }
        if (!row) {
            break;
        }
        finish(*row, prepare(worker, *row));
    }
    std::lock_guard lock(m_mutex);
    --m_running;
    m_rowReady.notify_one();
}

PreparedMessage MessageLookahead::prepare(Worker& worker, std::size_t row) {
    PreparedMessage prepared;
    platform::hold_thread_log_lines(&prepared.logLines);
    try {
        pstread::pst& file = worker.session->pstSession();
        const pstread::table& contents = worker.folder->get_contents_table();
        const pstread::node_id id = contents[static_cast<pstread::row_number>(row)].get_row_id();
        const auto item = model::Message::initWithMessage(file.open_message(id), worker.session,
                                                          text::DateTimeZone::system());
        if (RouteOfItem(m_folderKind, item->messageClass()) == ItemRoute::folder &&
            item->messageSize() <= kMaxPreparedBytes) {
            prepared.text.reserve(expectedTextBytes(item->messageSize()));
            CappedTextBuffer buffer(prepared.text, kMaxPreparedBytes, &m_stop);
            std::ostream out(&buffer);
            worker.writer->writeMessage(out, *item);
            prepared.ready = !buffer.gaveUp();
            if (prepared.ready) {
                prepared.losses = worker.writer->losses();
                prepared.fields = item->fields();
            }
        }
    } catch (...) {
        // The loop makes the row again and meets the failure itself.
        prepared.ready = false;
    }
    platform::hold_thread_log_lines(nullptr);
    if (!prepared.ready) {
        prepared = PreparedMessage{};
    }
    return prepared;
}

}  // namespace mailwright::exporting
