#include "export/item_kind_router.h"

#include <stdexcept>

#include "model/item_kinds.h"
#include "model/message.h"

namespace mailwright::exporting {

ItemRoute RouteOfItem(std::int32_t folderKind, std::int32_t messageKind) {
    if (messageKind == model::kMessageFreeBusy) {
        return ItemRoute::leftOut;
    }
    switch (messageKind) {
        case model::kMessageContact:
        case model::kMessageDistList:
            return folderKind == model::kFolderContacts ? ItemRoute::folder : ItemRoute::contacts;
        case model::kMessageAppointment:
            return folderKind == model::kFolderCalendar ? ItemRoute::folder : ItemRoute::calendar;
        default:
            return ItemRoute::folder;
    }
}

ItemKindRouter::ItemKindRouter(std::int32_t folderKind, ItemSink& folderSink, SinkMaker maker)
    : m_folderKind(folderKind), m_folderSink(folderSink), m_maker(std::move(maker)) {}

ItemRoute ItemKindRouter::routeOf(const model::Message& item) const {
    return RouteOfItem(m_folderKind, item.messageClass());
}

bool ItemKindRouter::takes(const model::Message& item) {
    const ItemRoute route = routeOf(item);
    const auto index = static_cast<std::size_t>(route);
    if (route == ItemRoute::leftOut) {
        ++m_counts[index];
        return false;
    }
    if (route != ItemRoute::folder && !m_tried[index]) {
        m_tried[index] = true;
        m_made[index] = m_maker(route);
    }
    return true;
}

ItemSink* ItemKindRouter::madeSink(ItemRoute route) const {
    return m_made[static_cast<std::size_t>(route)].get();
}

ItemSink& ItemKindRouter::sinkFor(const model::Message& item) {
    const ItemRoute route = routeOf(item);
    if (route == ItemRoute::folder) {
        return m_folderSink;
    }
    ItemSink* made = madeSink(route);
    if (made == nullptr) {
        throw std::runtime_error("no output for this kind of item beside the folder's");
    }
    return *made;
}

const ItemSink& ItemKindRouter::shownBy(const model::Message& item) const {
    const ItemSink* made = madeSink(routeOf(item));
    return made != nullptr ? *made : m_folderSink;
}

std::string ItemKindRouter::itemText(const model::Message& item) const {
    return shownBy(item).itemText(item);
}

std::string ItemKindRouter::corruptItemText(const std::string& reason) const {
    return m_folderSink.corruptItemText(reason);
}

std::string ItemKindRouter::conversionErrorText(const model::Message& item,
                                                const std::string& reason) const {
    return shownBy(item).conversionErrorText(item, reason);
}

void ItemKindRouter::produce(model::Message& item, std::ostream& out) {
    ItemSink& sink = sinkFor(item);
    m_lastProducer = nullptr;
    sink.produce(item, out);
    m_lastProducer = &sink;
}

std::vector<std::string> ItemKindRouter::losses() const {
    return m_lastProducer != nullptr ? m_lastProducer->losses() : std::vector<std::string>{};
}

bool ItemKindRouter::write(const model::Message& item, const std::string& text) {
    ItemSink& sink = sinkFor(item);
    const bool written = sink.write(item, text);
    if (written) {
        ++m_counts[static_cast<std::size_t>(routeOf(item))];
    } else {
        m_failed = &sink;
    }
    return written;
}

bool ItemKindRouter::finish() {
    bool finished = true;
    for (const auto& sink : m_made) {
        if (sink && !sink->finish()) {
            if (finished && m_failed == nullptr) {
                m_failed = sink.get();
            }
            finished = false;
        }
    }
    return finished;
}

std::string ItemKindRouter::failureText() const {
    return m_failed != nullptr ? m_failed->failureText() : std::string();
}

}  // namespace mailwright::exporting
