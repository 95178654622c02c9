#include "support/mailbox.h"

#include <stdexcept>
#include <utility>

namespace pstbuild {
namespace {

Folder* find_role(Folder& folder, FolderRole role) {
    if (folder.role == role) {
        return &folder;
    }
    for (Folder& child : folder.children) {
        if (Folder* found = find_role(child, role)) {
            return found;
        }
    }
    return nullptr;
}

}  // namespace

ExtraProperty ExtraProperty::of(std::uint16_t id, PropertyValue value) {
    ExtraProperty p;
    p.id = id;
    p.value = std::move(value);
    return p;
}

ExtraProperty ExtraProperty::of_text(std::uint16_t id, std::string utf8) {
    ExtraProperty p;
    p.id = id;
    p.text = std::move(utf8);
    return p;
}

ExtraProperty ExtraProperty::of_texts(std::uint16_t id, std::vector<std::string> utf8) {
    ExtraProperty p;
    p.id = id;
    p.texts = std::move(utf8);
    return p;
}

ExtraProperty ExtraProperty::of_named_texts(PropertyName name, std::vector<std::string> utf8) {
    ExtraProperty p;
    p.named = std::move(name);
    p.texts = std::move(utf8);
    return p;
}

ExtraProperty ExtraProperty::of_named(PropertyName name, PropertyValue value) {
    ExtraProperty p;
    p.named = std::move(name);
    p.value = std::move(value);
    return p;
}

ExtraProperty ExtraProperty::of_named_text(PropertyName name, std::string utf8) {
    ExtraProperty p;
    p.named = std::move(name);
    p.text = std::move(utf8);
    return p;
}

Recipient make_recipient(std::string name, std::string email, RecipientType type) {
    Recipient r;
    r.name = std::move(name);
    r.email = std::move(email);
    r.type = type;
    return r;
}

Folder& Folder::add_folder(std::string folder_name, std::string folder_class) {
    Folder& child = children.emplace_back();
    child.name = std::move(folder_name);
    child.container_class = std::move(folder_class);
    return child;
}

Folder& Mailbox::top() {
    if (Folder* found = find_role(root, FolderRole::ipm_subtree)) {
        return *found;
    }
    throw std::logic_error("the mailbox has no IPM subtree folder");
}

Mailbox standard_mailbox(std::string display_name) {
    Mailbox box;
    box.display_name = std::move(display_name);
    Folder& top = box.root.add_folder("Top of Personal Folders", "");
    top.role = FolderRole::ipm_subtree;
    Folder& deleted = top.add_folder("Deleted Items", "IPF.Note");
    deleted.role = FolderRole::wastebasket;
    Folder& search_root = box.root.add_folder("Search Root", "");
    search_root.role = FolderRole::finder;
    return box;
}

}  // namespace pstbuild
