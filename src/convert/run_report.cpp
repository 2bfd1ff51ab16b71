#include "convert/run_report.h"

#include <algorithm>
#include <utility>

namespace orlenda {
namespace {

constexpr char kLoadListButton[] = "\"Load List Of Sites From Text File\"";
constexpr char kOfflineNote[] =
    "No site's host name could be found: this computer seems to be offline. Check its network "
    "connection, then try again.";

// The browser's own codes, which the tool passes on in its reason.
bool HostNameNotFound(const std::string& reason) {
    return reason.find("net::ERR_NAME_NOT_RESOLVED") != std::string::npos ||
           reason.find("net::ERR_INTERNET_DISCONNECTED") != std::string::npos;
}

// "1 of 3 web sites was not saved", "2 of 3 web sites were not saved".
std::string NotSavedCount(std::size_t unsaved, std::int64_t rowsInRun) {
    return std::to_string(unsaved) + " of " + std::to_string(rowsInRun) +
           (rowsInRun == 1 ? " web site " : " web sites ") + (unsaved == 1 ? "was" : "were") +
           " not saved";
}

bool AllFailedToStartAlike(const std::vector<RowOutcome>& unsaved) {
    return std::all_of(unsaved.begin(), unsaved.end(), [&](const RowOutcome& row) {
        return row.outcome.toolNotStarted && row.outcome.reason == unsaved.front().outcome.reason;
    });
}

std::string ListedRows(const std::vector<RowOutcome>& unsaved) {
    std::string text;
    const std::size_t listed = std::min(unsaved.size(), kMostRowsListed);
    for (std::size_t i = 0; i < listed; ++i) {
        const RowOutcome& row = unsaved[i];
        const std::string address =
            row.address.empty() ? "(no address)" : ShortenedText(row.address, kShownAddressBytes);
        text +=
            "\nRow " + std::to_string(row.row) + ": " + address + " \u2014 " + row.outcome.reason;
    }
    if (unsaved.size() > listed)
        text += "\nand " + std::to_string(unsaved.size() - listed) + " more";
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

std::vector<std::string> AddressesOf(const std::vector<RowOutcome>& rows) {
    std::vector<std::string> addresses;
    addresses.reserve(rows.size());
    for (const RowOutcome& row : rows) addresses.push_back(row.address);
    return addresses;
}

std::string ClosingMessage(std::int64_t rowsInRun, const std::vector<RowOutcome>& unsaved,
                           const RetryList& retryList) {
    if (unsaved.empty()) return kDoneMessage;
    std::string text =
        std::string(kDoneMessage) + "\n\n" + NotSavedCount(unsaved.size(), rowsInRun);
    if (AllFailedToStartAlike(unsaved)) {
        text += " because " + unsaved.front().outcome.reason + ".";
    } else {
        text += ":" + ListedRows(unsaved);
    }
    if (SeemsOffline(rowsInRun, unsaved)) text += std::string("\n\n") + kOfflineNote;
    return text + "\n\n" + WhereTheRetryListWent(retryList);
}

}  // namespace orlenda
