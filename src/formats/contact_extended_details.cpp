// The contact details vCard 3.0 has no property for (hobbies, related
// people, the anniversary, further telephone numbers, ids and the like),
// written in the writer's style: as "X-" extension lines, as grouped
// address-book items, or as "Label: value" entries of the note.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/mime_contact_writer.h"
#include "formats/property_reading.h"
#include "formats/vcard_value.h"
#include "text/whole_value_conversion.h"

namespace mailwright::formats {
namespace {

using pstread::prop_id;
using pstread::property_bag;

enum class Action {
    extensionLine,    // "\r\nNAME;charset=UTF-8:" value
    extensionDate,    // "\r\nNAME:" date
    extensionGender,  // "\r\nX-gender:" Female or Male
    item,             // "\r\nitemN.NAME:" value "\r\nitemN.X-ABLabel:" LABEL
    itemAndNote,      // an item per value, and the note entry of all values
    note,             // the note entry LABEL value
};

struct StyleAction {
    Action action;
    std::string_view name;   // extension property or item property
    std::string_view label;  // item label or note label
};

enum class ValueKind { text, date, gender, names };

struct Detail {
    prop_id id;  // a property tag id, or a ContactNamedProp place when `named`
    bool named;
    ValueKind kind;
    std::string_view noteLabel;
    StyleAction extension;
    StyleAction addressBook;
};

constexpr StyleAction note(std::string_view label) {
    return {Action::note, {}, label};
}
constexpr StyleAction related(std::string_view label) {
    return {Action::item, "X-ABRELATEDNAMES", label};
}
constexpr StyleAction telephone(std::string_view label) {
    return {Action::item, "TEL", label};
}

// In the order the entry holds them; style 0 writes every one as a note
// entry with `noteLabel`.
constexpr Detail kDetails[] = {
    {0x3A43,
     false,
     ValueKind::text,
     "Hobbies: ",
     {Action::extensionLine, "X-interests", {}},
     note("Hobbies: ")},
    {0x3A30,
     false,
     ValueKind::text,
     "Assistant: ",
     {Action::extensionLine, "X-assistant", {}},
     related("_$!<Assistant>!$_")},
    {0x3A4D,
     false,
     ValueKind::gender,
     "Gender: ",
     {Action::extensionGender, "X-gender", {}},
     note("Gender: ")},
    {0x3A41,
     false,
     ValueKind::date,
     "Anniversary: ",
     {Action::extensionDate, "X-anniversary", {}},
     {Action::item, "X-ABDATE", "_$!<Anniversary>!$_"}},
    {0x3A48,
     false,
     ValueKind::text,
     "Spouse Name: ",
     {Action::extensionLine, "X-spouse", {}},
     related("_$!<Spouse>!$_")},
    {0x3A58,
     false,
     ValueKind::names,
     "Children: ",
     {Action::extensionLine, "X-child", {}},
     {Action::itemAndNote, "X-ABRELATEDNAMES", "_$!<Child>!$_"}},
    {0x3A4E,
     false,
     ValueKind::text,
     "Manager: ",
     {Action::extensionLine, "X-manager", {}},
     related("_$!<Manager>!$_")},
    {0x3A00, false, ValueKind::text, "Account: ", note("Account: "), note("Account: ")},
    {0x3A2E,
     false,
     ValueKind::text,
     "Assistant Telephone Number: ",
     {Action::extensionLine, "tel", "assistant"},
     telephone("Assistant Telephone")},
    {kBilling, true, ValueKind::text, "Billing Information: ", note("Billing Information: "),
     note("Billing Information: ")},
    {0x3A4A, false, ValueKind::text, "Customer ID: ", note("Customer ID: "), note("Customer ID: ")},
    {0x3A4C, false, ValueKind::text, "FTP Site: ", note("FTP Site: "), note("FTP Site: ")},
    {0x3A07, false, ValueKind::text, "Government ID Number: ", note("Government ID Number: "),
     note("Government ID Number: ")},
    {0x3A0C, false, ValueKind::text, "Language: ", note("Language: "), note("Language: ")},
    {0x3A0D, false, ValueKind::text, "Location: ", note("Location: "), note("Location: ")},
    {0x3A19, false, ValueKind::text, "Office Location: ", note("Office Location: "),
     note("Office Location: ")},
    {0x3A10, false, ValueKind::text, "Organizational ID Number: ",
     note("Organizational ID Number: "), note("Organizational ID Number: ")},
    {0x3A02, false, ValueKind::text, "Callback Telephone Number: ",
     note("Callback Telephone Number: "), telephone("Callback Telephone")},
    {0x3A1D, false, ValueKind::text, "Radio Telephone Number: ", note("Radio Telephone Number: "),
     telephone("Radio Telephone")},
    {0x3A1F, false, ValueKind::text, "Other Telephone Number: ", note("Other Telephone Number: "),
     telephone("Other Telephone")},
    {0x3A47, false, ValueKind::text, "Preferred By Name: ", note("Preferred By Name: "),
     note("Preferred By Name: ")},
    {0x3A2C, false, ValueKind::text, "Telex Number: ", note("Telex Number: "), telephone("Telex")},
    {0x3A4B, false, ValueKind::text, "TTY/TDD Phone: ", note("TTY/TDD Phone: "),
     telephone("TTY/TDD Phone")},
};

// PidTagGender: 1 female, 2 male; 0 (unspecified) and anything else say
// nothing about the person.
std::optional<std::string> gender_text(const property_bag& bag, prop_id id) {
    const auto value = read_integer(bag, id);
    if (value == 1u) {
        return "Female";
    }
    if (value == 2u) {
        return "Male";
    }
    return std::nullopt;
}

// Writes the lines and collects the note entries of one contact.
class DetailWriter {
public:
    explicit DetailWriter(std::ostream& out) : m_out(out) {}

    void extensionLine(const StyleAction& action, const std::string& value) {
        // The assistant's telephone is a tel line with its own type.
        const std::string parameters =
            action.label.empty() ? std::string() : ";type=" + std::string(action.label);
        const std::string lineHead = VCardLineHead(action.name, parameters) + ":";
        m_out << lineHead << VCardValue(lineHead).utf8(value).str();
    }
    void plainLine(std::string_view name, const std::string& value) {
        m_out << "\r\n" << name << ':' << value;
    }
    void item(const StyleAction& action, const std::string& value) {
        const std::string prefix = "\r\nitem" + std::to_string(++m_items) + ".";
        const std::string lineHead = prefix + std::string(action.name) + ":";
        m_out << lineHead << VCardValue(lineHead).utf8(value).str() << prefix
              << "X-ABLabel:" << action.label;
    }
    void note(std::string_view label, const std::string& value) {
        if (!m_notes.empty()) {
            m_notes += "\r\n";
        }
        m_notes += label;
        m_notes += value;
    }
    std::string takeNotes() { return std::move(m_notes); }

private:
    std::ostream& m_out;
    int m_items = 0;
    std::string m_notes;
};

std::string joined(const std::vector<std::string>& values) {
    std::string text;
    for (const std::string& value : values) {
        text += text.empty() ? "" : ", ";
        text += value;
    }
    return text;
}

void write_detail(DetailWriter& writer, const StyleAction& action, std::string_view noteLabel,
                  const std::vector<std::string>& values) {
    for (const std::string& value : values) {
        switch (action.action) {
            case Action::extensionLine:
                writer.extensionLine(action, value);
                break;
            case Action::extensionDate:
            case Action::extensionGender:
                writer.plainLine(action.name, value);
                break;
            case Action::item:
            case Action::itemAndNote:
                writer.item(action, value);
                break;
            case Action::note:
                break;
        }
    }
    if (action.action == Action::note || action.action == Action::itemAndNote) {
        writer.note(noteLabel, joined(values));
    }
}

}  // namespace

std::string MIMEContactWriter::writeExtendedDetails(std::ostream& out, const property_bag& bag) {
    DetailWriter writer(out);
    for (const Detail& detail : kDetails) {
        const prop_id id = detail.named ? m_namedPropIds[detail.id] : detail.id;
        std::vector<std::string> values;
        switch (detail.kind) {
            case ValueKind::text:
                if (const auto value = ContactText(bag, id); value && !value->empty()) {
                    values.push_back(text::utf16_to_utf8(*value));
                }
                break;
            case ValueKind::date:
                if (std::string date = vcardDate(bag, id); !date.empty()) {
                    values.push_back(std::move(date));
                }
                break;
            case ValueKind::gender:
                if (auto gender = gender_text(bag, id)) {
                    values.push_back(std::move(*gender));
                }
                break;
            case ValueKind::names:
                for (const std::u16string& name :
                     ContactStrings(bag, id).value_or(std::vector<std::u16string>())) {
                    if (!name.empty()) {
                        values.push_back(text::utf16_to_utf8(name));
                    }
                }
                break;
        }
        if (values.empty()) {
            continue;
        }
        const StyleAction action = m_contactStyle == kContactStyleExtension ? detail.extension
                                   : m_contactStyle == kContactStyleAddressBook
                                       ? detail.addressBook
                                       : note(detail.noteLabel);
        write_detail(writer, action, detail.noteLabel, values);
    }
    return writer.takeNotes();
}

}  // namespace mailwright::formats
