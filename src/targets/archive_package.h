// The fixed parts of an Outlook for Mac archive package: the archive
// description "Archive.xml" and the bundle files "Contents/Info.plist" and
// "Contents/PkgInfo", copied unchanged from the program's resources.
#pragma once

#include <string>

namespace mailwright::targets {

// The resource files the parts are copied from.
inline constexpr const char* kArchiveDescriptionResource = "Entourage_Archive.xml";
inline constexpr const char* kBundleInfoResource = "Entourage_Info.plist";
inline constexpr const char* kBundlePkgInfoResource = "Entourage_PkgInfo";

// Writes the parts into the package folder `package` from the resources in
// `resourceDirectory`, in this order: "Archive.xml" (then given the type
// code 'TEXT' and the creator code 'OPIM'), the folder "Contents",
// "Contents/Info.plist", "Contents/PkgInfo". A missing resource or a failed
// copy is logged and passed over: the run goes on without that part.
void WritePackageParts(const std::string& package, const std::string& resourceDirectory);

}  // namespace mailwright::targets
