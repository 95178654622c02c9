#include "export/message_lookahead.h"

#include <algorithm>
#include <exception>
#include <ostream>
#include <streambuf>

#include "export/item_kind_router.h"
#include "model/message.h"
#include "model/pst_session.h"
#include "platform/system_log.h"
#include "pstread/ltp/table.h"
#include "pstread/pst/folder.h"
#include "text/time_zone.h"

namespace mailwright::exporting {
namespace {

// Collects a message's text up to a limit. Past it (or once the lookahead
// stops) nothing more is taken, the stream goes bad and the text is given
// up: the loop makes such a message itself.
class CappedTextBuffer : public std::streambuf {
public:
    CappedTextBuffer(std::string& text, std::size_t limit, const std::atomic<bool>& stop)
        : m_text(text), m_limit(limit), m_stop(stop) {}

    bool gaveUp() const { return m_gaveUp; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::not_eof(c);
        }
        const char ch = traits_type::to_char_type(c);
        return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
    }

    std::streamsize xsputn(const char* data, std::streamsize count) override {
        const auto n = static_cast<std::size_t>(count);
        if (m_gaveUp || m_stop.load(std::memory_order_relaxed) || n > m_limit - m_text.size()) {
            m_gaveUp = true;
            return 0;
        }
        // Grown by doubling, but never past the limit.
        if (m_text.size() + n > m_text.capacity()) {
            m_text.reserve(std::min(m_limit, std::max(m_text.size() + n, 2 * m_text.capacity())));
        }
        m_text.append(data, n);
        return count;
    }

private:
    std::string& m_text;
    std::size_t m_limit;
    const std::atomic<bool>& m_stop;
    bool m_gaveUp = false;
};

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
    for (std::size_t i = 0; i < m_workers.size(); ++i) {
        Worker& worker = *m_workers[i];
        worker.thread = std::thread([this, &worker, i] { run(worker, i); });
    }
}

MessageLookahead::~MessageLookahead() {
    m_stop.store(true);
    for (const auto& worker : m_workers) {
        { std::lock_guard lock(worker->mutex); }
        worker->changed.notify_all();
    }
    for (const auto& worker : m_workers) {
        worker->thread.join();
    }
}

PreparedMessage MessageLookahead::take(std::size_t row) {
    if (m_workers.empty()) {
        return {};
    }
    Worker& worker = *m_workers[row % m_workers.size()];
    std::unique_lock lock(worker.mutex);
    for (;;) {
        while (!worker.queue.empty() && worker.queue.front().row < row) {
            worker.queuedBytes -= worker.queue.front().message.text.capacity();
            worker.queue.pop_front();
            worker.changed.notify_all();
        }
        if (!worker.queue.empty() || worker.done) {
            break;
        }
        worker.changed.wait(lock);
    }
    if (worker.queue.empty() || worker.queue.front().row != row) {
        return {};
    }
    PreparedMessage taken = std::move(worker.queue.front().message);
    worker.queuedBytes -= taken.text.capacity();
    worker.queue.pop_front();
    worker.changed.notify_all();
    return taken;
}

void MessageLookahead::run(Worker& worker, std::size_t first) {
    std::size_t rows = 0;
    try {
        worker.folder.emplace(worker.session->pstSession().open_folder(m_folderId));
        rows = worker.folder->get_contents_table().size();
    } catch (...) {
        rows = 0;  // every row is left to the loop
    }
    for (std::size_t row = first; row < rows && !m_stop; row += m_workers.size()) {
        PreparedMessage message = prepare(worker, row);
        std::unique_lock lock(worker.mutex);
        worker.changed.wait(lock, [&] {
            return m_stop || worker.queue.empty() ||
                   (worker.queuedBytes + message.text.capacity() <= kWorkerQueueBytes &&
                    worker.queue.size() < kWorkerQueueItems);
        });
        worker.queuedBytes += message.text.capacity();
        worker.queue.push_back({row, std::move(message)});
        worker.changed.notify_all();
    }
    std::lock_guard lock(worker.mutex);
    worker.done = true;
    worker.changed.notify_all();
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
            CappedTextBuffer buffer(prepared.text, kMaxPreparedBytes, m_stop);
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
