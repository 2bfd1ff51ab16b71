#include "convert/run_report.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "shared/text/visible_line.h"

namespace orlenda {
namespace {

constexpr char kLoadListButton[] = "\"Load List Of Sites From Text File\"";
constexpr char kOfflineNote[] =
    "No site's host name could be found: this computer seems to be offline. Check its network "
    "connection, then try again.";

// The browser's own codes, which the tool passes on in its reason.
bool HostNameNotFound(const std::string& reason) {
    for (const char* code : {"net::ERR_NAME_NOT_RESOLVED", "net::ERR_NAME_RESOLUTION_FAILED",
                             "net::ERR_INTERNET_DISCONNECTED"}) {
        if (reason.find(code) != std::string::npos) return true;
    }
    return false;
}

// "1 of 3 web sites was not saved", "2 of 3 web sites were saved with a warning".
std::string RowCount(std::size_t rows, std::int64_t rowsInRun, const std::string& what) {
    return std::to_string(rows) + " of " + std::to_string(rowsInRun) +
           (rowsInRun == 1 ? " web site " : " web sites ") + (rows == 1 ? "was " : "were ") + what;
}

bool AllFailedToStartAlike(const std::vector<RowOutcome>& unsaved) {
    return std::all_of(unsaved.begin(), unsaved.end(), [&](const RowOutcome& row) {
        return row.outcome.toolNotStarted && row.outcome.reason == unsaved.front().outcome.reason;
    });
}

// The first rows, one a line with what the line says of it, then how many more.
std::string ListedRows(const std::vector<RowOutcome>& rows,
                       const std::function<std::string(const CaptureOutcome&)>& saying) {
    std::string text;
    const std::size_t listed = std::min(rows.size(), kMostRowsListed);
    for (std::size_t i = 0; i < listed; ++i) {
        const RowOutcome& row = rows[i];
        const std::string address =
            row.address.empty() ? "(no address)"
                                : ShortenedText(text::visibleLine(row.address), kShownAddressBytes);
        text +=
            "\nRow " + std::to_string(row.row) + ": " + address + " \u2014 " + saying(row.outcome);
    }
    if (rows.size() > listed) text += "\nand " + std::to_string(rows.size() - listed) + " more";
    return text;
}

std::string WarningsOf(const CaptureOutcome& outcome) {
    std::string text;
    for (const std::string& warning : outcome.warnings) {
        text += (text.empty() ? "" : "; ") + warning;
    }
    return text;
}

std::string WhereTheRetryListWent(const RetryList& retryList) {
    const std::string loadIt =
        "To try again, load \"" + retryList.path + "\" with " + kLoadListButton + ".";
    if (retryList.outputFolderFailure.empty()) return loadIt;
    if (retryList.homeFolderFailure.empty()) {
        return "The output folder could not take the list of them (" +
               retryList.outputFolderFailure + "), so it went to your home folder. " + loadIt;
    }
    return "The list of them could not be written, neither in the output folder (" +
           retryList.outputFolderFailure + ") nor in your home folder (" +
           retryList.homeFolderFailure + ").";
}

}  // namespace

bool SeemsOffline(std::int64_t rowsInRun, const std::vector<RowOutcome>& unsaved) {
    return rowsInRun >= 2 && std::cmp_equal(unsaved.size(), rowsInRun) &&
           std::all_of(unsaved.begin(), unsaved.end(),
                       [](const RowOutcome& row) { return HostNameNotFound(row.outcome.reason); });
}

void SavedPictures::note(RowOutcome& row) {
    CaptureOutcome& outcome = row.outcome;
    if (!outcome.saved || !outcome.picture) return;
    if (outcome.replaced) {
        if (const auto earlier = m_rowOf.find(*outcome.replaced); earlier != m_rowOf.end()) {
            outcome.warnings.insert(outcome.warnings.begin(), "saved over the picture of row " +
                                                                  std::to_string(earlier->second) +
                                                                  " (same file name)");
            m_rowOf.erase(earlier);
        }
    }
    m_rowOf[*outcome.picture] = row.row;
}

std::size_t SavedPictures::StampHash::operator()(const platform::FileStamp& stamp) const {
    std::size_t hash = 0;
    for (const std::uint64_t part :
         {stamp.size, static_cast<std::uint64_t>(stamp.modified), stamp.volume, stamp.fileIndex}) {
        hash = hash * 1'000'003 ^ std::hash<std::uint64_t>{}(part);
    }
    return hash;
}

std::vector<std::string> AddressesOf(const std::vector<RowOutcome>& rows) {
    std::vector<std::string> addresses;
    addresses.reserve(rows.size());
    for (const RowOutcome& row : rows) addresses.push_back(row.address);
    return addresses;
}

std::string ClosingMessage(std::int64_t rowsInRun, const std::vector<RowOutcome>& unsaved,
                           const std::vector<RowOutcome>& savedWithWarnings,
                           const RetryList& retryList) {
    if (unsaved.empty() && savedWithWarnings.empty()) return kDoneMessage;
    std::string text = kDoneMessage;
    if (!unsaved.empty()) {
        text += "\n\n" + RowCount(unsaved.size(), rowsInRun, "not saved");
        if (AllFailedToStartAlike(unsaved)) {
            text += " because " + unsaved.front().outcome.reason + ".";
        } else {
            text += ":" + ListedRows(unsaved, &CaptureOutcome::reason);
        }
        if (SeemsOffline(rowsInRun, unsaved)) text += std::string("\n\n") + kOfflineNote;
        text += "\n\n" + WhereTheRetryListWent(retryList);
    }
    if (!savedWithWarnings.empty()) {
        text += "\n\n" + RowCount(savedWithWarnings.size(), rowsInRun, "saved with a warning") +
                ":" + ListedRows(savedWithWarnings, WarningsOf);
    }
    return text;
}

}  // namespace orlenda
