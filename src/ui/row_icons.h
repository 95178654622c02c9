// The icons of the folder tree's rows by container class: the file row
// "Office", the store's top folder "Store", "Calendar", "Contact" and
// "Folder" for every other kind.
#pragma once

#include <QIcon>
#include <cstdint>

namespace mailwright::desktop {

const QIcon& IconForContainerClass(std::int32_t containerClass);
const QIcon& ApplicationIcon();

// Square edge of the icons: file rows and folder rows.
constexpr int kSessionIconSize = 24;
constexpr int kFolderIconSize = 18;

}  // namespace mailwright::desktop
