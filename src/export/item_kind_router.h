// Items converted by what they are, not by the folder they are in: a
// contact or contact group goes to the vCard writer and an appointment to
// the iCalendar writer, beside the folder's own output, whatever the
// folder's kind, and Outlook's free/busy data is left out. The router stands in for the
// folder's own sink in the item loop and hands each item to the sink of its
// kind, made when the first item of that kind comes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "export/item_sink.h"

namespace mailwright::exporting {

// Where an item of a folder goes.
enum class ItemRoute : std::size_t { folder = 0, contacts = 1, calendar = 2, leftOut = 3 };
inline constexpr std::size_t kItemRouteCount = 4;

// The route of an item of kind `messageKind` (model::kMessage*) in a folder
// of kind `folderKind` (model::kFolder*): contacts and contact groups out of
// a contacts folder and appointments out of a calendar folder go to their
// own writers, free/busy data is left out, everything else stays with the
// folder's sink.
ItemRoute RouteOfItem(std::int32_t folderKind, std::int32_t messageKind);

class ItemKindRouter : public ItemSink {
public:
    // Makes the sink of a route on its first item; null when it cannot be
    // made, and every item of the route is then skipped.
    using SinkMaker = std::function<std::unique_ptr<ItemSink>(ItemRoute)>;

    // `folderSink` must outlive the router; its finish() stays the
    // caller's.
    ItemKindRouter(std::int32_t folderKind, ItemSink& folderSink, SinkMaker maker);

    // Counts a left-out item; makes the sink of the item's route on its
    // first item.
    bool takes(const model::Message& item) override;
    std::string itemText(const model::Message& item) const override;
    std::string corruptItemText(const std::string& reason) const override;
    std::string conversionErrorText(const model::Message& item,
                                    const std::string& reason) const override;
    void produce(model::Message& item, std::ostream& out) override;
    // What the item produced last lost, by the sink that produced it.
    std::vector<std::string> losses() const override;
    bool write(const model::Message& item, const std::string& text) override;
    // Finishes the sinks the router made.
    bool finish() override;
    // The reason of the sink whose write or finish failed.
    std::string failureText() const override;

    // Items written and left out by route.
    std::uint32_t count(ItemRoute route) const { return m_counts[static_cast<std::size_t>(route)]; }
    // The sink made for a route, if any.
    ItemSink* madeSink(ItemRoute route) const;

private:
    ItemRoute routeOf(const model::Message& item) const;
    // The sink of the item's route; throws when it could not be made.
    ItemSink& sinkFor(const model::Message& item);
    const ItemSink& shownBy(const model::Message& item) const;

    std::int32_t m_folderKind;
    ItemSink& m_folderSink;
    SinkMaker m_maker;
    std::array<std::unique_ptr<ItemSink>, kItemRouteCount> m_made;
    std::array<bool, kItemRouteCount> m_tried{};
    std::array<std::uint32_t, kItemRouteCount> m_counts{};
    const ItemSink* m_lastProducer = nullptr;
    const ItemSink* m_failed = nullptr;
};

}  // namespace mailwright::exporting
