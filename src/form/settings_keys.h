#pragma once

namespace orlenda {

// The two settings of the program; no other key is read or written.
// The output folder: the folder box's text, exactly as the box holds it.
inline constexpr char kDownloadLocationKey[] = "Download Location";
// The folder last picked in the folder browser, exactly as the browser gave it.
inline constexpr char kLastFolderKey[] = "LastFolderDot";

}  // namespace orlenda
