// Output of earlier runs. The output folder of each PST file holds a small
// marker file that names the file it was converted from, so that a later
// run of the same file into the same place can say so, or replace that
// output instead of adding a second copy beside it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailwright::exporting {

// The marker's file name inside a PST file's output folder.
inline constexpr std::string_view kSourceMarkerName = ".mailwright-source";

// What a marker holds for a PST file: its absolute path with symbolic links
// resolved, so that two ways of naming one file give the same text.
std::string ConversionSourceOf(const std::string& pstFilePath);

// The folders base / pstFileName and base / "pstFileName (N)" whose marker
// names `source`, in name order.
std::vector<std::string> EarlierConversions(const std::string& base, const std::string& pstFileName,
                                            const std::string& source);

// Writes the marker naming `source` into `folder`; false when it cannot.
bool MarkConversionSource(const std::string& folder, const std::string& source);

// Removes `folder` with everything in it, but only when its marker names
// `source`: a folder of another file or of no run is never touched. The
// system's error text when that fails, else empty.
std::string RemoveConversion(const std::string& folder, const std::string& source);

}  // namespace mailwright::exporting
