#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "convert/capture_outcome.h"
#include "convert/retry_list.h"

namespace orlenda {

inline constexpr char kDoneMessage[] = "Done.";
// The closing message lists this many rows under each heading at the most ...
inline constexpr std::size_t kMostRowsListed = 10;
// ... each address in at most this many bytes, so that the box stays readable.
inline constexpr std::size_t kShownAddressBytes = 100;

// How a row of a run ended.
struct RowOutcome {
    std::int64_t row = 0;
    std::string address{};
    CaptureOutcome outcome{};
};

// The addresses of the rows, in their order.
std::vector<std::string> AddressesOf(const std::vector<RowOutcome>& rows);

// The pictures a run has saved, known by their stamps, so that a row whose
// file name is another row's (http://c.test/x?y and http://c.test/x:y) is
// told from one that replaces a picture of an earlier run, whatever the case
// of the name or the path of the folder.
class SavedPictures {
public:
    // Notes the picture of a saved row. When the file it replaced was the
    // picture of an earlier row of the run, the row gets the warning that
    // says so, first.
    void note(RowOutcome& row);

private:
    struct StampHash {
        std::size_t operator()(const platform::FileStamp& stamp) const;
    };

    std::unordered_map<platform::FileStamp, std::int64_t, StampHash> m_rowOf;
};

// True when a run of two rows or more saved none, each because the host name
// of its site could not be found or the browser had no network: then it is
// the computer that is offline, not the sites. (One such row alone is more
// often a mistyped address.)
bool SeemsOffline(std::int64_t rowsInRun, const std::vector<RowOutcome>& unsaved);

// The message that ends a run over rowsInRun rows: "Done." when every row was
// saved without a warning. Otherwise "Done." and, first, how many of them were
// not saved: the first ten, each with its number, its address (shortened when
// long) and the reason, or, when the capture tool could not be started at all,
// that reason once; that the computer seems offline, when it does; and where
// the list of them went, to load them again. Then how many were saved with a
// warning, the first ten with their warnings.
std::string ClosingMessage(std::int64_t rowsInRun, const std::vector<RowOutcome>& unsaved,
                           const std::vector<RowOutcome>& savedWithWarnings,
                           const RetryList& retryList);

}  // namespace orlenda
