// Turns one PST contact item into one vCard 3.0 entry on an output stream.
// Every text value is converted to UTF-8 (and labelled so), escaped and
// folded; values are written whole. Each property line starts with CR LF,
// so an entry ends without a line end of its own: the exporter puts what it
// needs between entries.
//
// Contact details that vCard 3.0 has no property for are written in one of
// three styles: as "X-" extension properties, as grouped address-book items
// ("item1.X-ABRELATEDNAMES" with an "item1.X-ABLabel"), or collected into
// the note. A contact group (IPM.DistList) becomes a group card
// ("X-ADDRESSBOOKSERVER-KIND:group") that lists its members by the UIDs of
// their own cards or by their addresses.
//
//   MIMEContactWriter writer(kContactStyleExtension, session.pstDefaultCodePage(),
//                            session.isUnicodePST(), session.pstSession());
//   std::ostringstream card;
//   writer.writeContact(card, message.getMessage());
//
// A writer serves the contacts of one store, from one thread at a time.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "formats/contact_named_props.h"
#include "model/item_code_page.h"
#include "pstread/pst/attachment.h"
#include "pstread/pst/message.h"
#include "pstread/pst/pst.h"
#include "text/code_page_table.h"
#include "text/date_format.h"

namespace mailwright::formats {

// contactStyle values.
enum ContactStyle : std::uint32_t {
    kContactStyleNotes = 0,        // extra details go into the note
    kContactStyleAddressBook = 1,  // grouped address-book items
    kContactStyleExtension = 2,    // "X-" extension properties
};

class MIMEContactWriter {
public:
    // `defaultCodePage` decodes the 8-bit text of an ANSI store
    // (`unicodeStore` false); `store` is the PST the contacts come from.
    MIMEContactWriter(std::uint32_t contactStyle, std::uint32_t defaultCodePage, bool unicodeStore,
                      pstread::pst& store);
    virtual ~MIMEContactWriter() = default;

    MIMEContactWriter(const MIMEContactWriter&) = delete;
    MIMEContactWriter& operator=(const MIMEContactWriter&) = delete;

    // Writes the whole entry; returns 0. Failures of reading or converting
    // throw, leaving the partial entry in `out`.
    virtual int writeContact(std::ostream& out, pstread::message& contact);
    // The photo line from the first attachment marked as the contact photo.
    virtual void writeContactPhoto(std::ostream& out, pstread::message& contact);
    // One attachment's data as base64 lines, each continuing the line before.
    virtual void writeAttachmentData(std::ostream& out, const pstread::attachment& attachment);
    // A place for more lines before the note; writes nothing.
    virtual void writeExtension(std::ostream& out, pstread::message& contact);
    // The note line: the collected details (UTF-8), then the contact's body.
    virtual void writeNote(std::ostream& out, pstread::message& contact,
                           const std::string& additionalNotes);

    std::uint32_t contactStyle() const { return m_contactStyle; }
    const ContactNamedPropIds& namedPropIds() const { return m_namedPropIds; }
    // Whether a contact's 8-bit strings are decoded with the code page it
    // records before the writer's own (model::ItemCodePages). False until
    // set.
    void setFollowItemCodePages(bool follow) { m_itemCodePages.followItems = follow; }
    // The formatter of the export run; the calling thread's own one when
    // none is set. Not owned.
    void setDateFormatter(text::SharedDateFormatter* formatter) { m_formatter = formatter; }

private:
    // One step of the entry each; each writes its lines (or nothing).
    void writeName(std::ostream& out, const pstread::property_bag& bag) const;
    void writeFormattedName(std::ostream& out, pstread::message& contact) const;
    void writeAddresses(std::ostream& out, const pstread::property_bag& bag) const;
    void writeOrganization(std::ostream& out, const pstread::property_bag& bag) const;
    void writeBirthday(std::ostream& out, const pstread::property_bag& bag);
    void writeTelephones(std::ostream& out, const pstread::property_bag& bag) const;
    void writeEmails(std::ostream& out, const pstread::property_bag& bag) const;
    void writeCategories(std::ostream& out, const pstread::property_bag& bag) const;
    // The extended details in the writer's style; returns the additional
    // notes they leave for the note.
    std::string writeExtendedDetails(std::ostream& out, const pstread::property_bag& bag);
    // The group card of an IPM.DistList item.
    void writeGroup(std::ostream& out, pstread::message& group);
    void writeGroupMembers(std::ostream& out, const pstread::property_bag& bag);
    // Whether node `nid` of the store is a contact or group item (whose card
    // carries the UID the node id gives).
    bool isContactItem(std::uint32_t nid);

    // The UID of the item `nid` of this store: the same on every run.
    std::string uidOf(std::uint32_t nid) const;
    std::string vcardDate(const pstread::property_bag& bag, pstread::prop_id id);
    text::SharedDateFormatter& formatter();

    std::uint32_t m_contactStyle;
    ContactNamedPropIds m_namedPropIds;
    GroupNamedPropIds m_groupPropIds;
    bool m_unicodeStore;
    // The default code page's row, and whether contacts' own code pages
    // count.
    model::ItemCodePages m_itemCodePages;
    // The row of the contact being written: its own code page's, or the
    // default one.
    const text::TextEncodingItem* m_defaultRow;
    pstread::pst& m_store;
    std::vector<std::uint8_t> m_recordKey;
    text::SharedDateFormatter* m_formatter = nullptr;
};

}  // namespace mailwright::formats
