#include "convert/convert_handlers.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "convert/capture_runner.h"
#include "convert/output_path.h"
#include "convert/retry_list.h"
#include "convert/run_report.h"
#include "form/error_trap.h"

namespace orlenda {
namespace {

void ShowMessage(Form1& form, const std::string& text, int style = platform::kMessageOkOnly) {
    form.dialogs.messageBox(text, style, "");  // the application title
}

// The folder that the box names ("~/shots" on Linux is in the home folder);
// the box and its stored text stay as typed.
std::string OutputFolder(const Form1& form) { return form.files.typedPath(form.Text1.text()); }

// How the row ended; a row whose capture failed is not saved.
RowOutcome ConvertRow(Form1& form, ErrorTrap& trap, std::int64_t row) {
    trap.step(114, [&] { form.events.processEvents(); });
    trap.step(116, [&] { form.Me.setMousePointer(platform::kPointerHourglass); });
    // Against the count of the moment: rows added during the run lower it.
    trap.step(118, [&] {
        form.ProgressBar1.setValue(static_cast<double>(row) /
                                   static_cast<double>(form.ListView1.rowCount()) * 100);
    });
    std::string address;
    trap.step(120, [&] { address = form.ListView1.rowText(row); });
    trap.step(122, [&] { form.ProgressBar1.setText(kProcessingPrefix + FileNamePart(address)); });
    trap.step(124, [&] { form.events.processEvents(); });

    const std::string fileName = OutputFileName(
        address, [&](int step, const std::function<void()>& rule) { trap.step(step, rule); });
    // The folder is read afresh: a folder changed during the run applies from the next row.
    OutputPathChoice output;
    trap.step(144, [&] { output = FittingOutputPath(OutputFolder(form), fileName); });
    CaptureOutcome outcome{.reason = "an error stopped its capture (reported at the time)"};
    trap.step(146, [&] { outcome = CaptureSite(form, address, output); });
    return {.row = row, .address = address, .outcome = outcome};
}

// The rows not saved, to load and try again: a new list in the folder of
// the moment, else in the home folder.
RetryList LeaveRetryList(Form1& form, const std::vector<std::string>& addresses) {
    return WriteRetryList(form.listFiles, form.files, OutputFolder(form), form.desktop.homeFolder(),
                          form.clock.now(), addresses);
}

void ConvertAllRows(Form1& form, ErrorTrap& trap) {
    trap.step(108, [&] { form.Me.setMousePointer(platform::kPointerHourglass); });
    // Rows added from here on wait for the next run.
    std::int64_t rowCount = 0;
    trap.step(112, [&] { rowCount = form.ListView1.rowCount(); });
    std::vector<RowOutcome> unsaved;
    std::vector<RowOutcome> savedWithWarnings;
    SavedPictures saved;
    form.runProgress = {.lastRow = rowCount};
    for (std::int64_t row = 1; row <= rowCount; ++row) {
        form.runProgress.currentRow = row;
        RowOutcome converted = ConvertRow(form, trap, row);
        saved.note(converted);
        if (!converted.outcome.saved) {
            form.runProgress.unsavedAddresses.push_back(converted.address);
            unsaved.push_back(std::move(converted));
        } else if (!converted.outcome.warnings.empty()) {
            savedWithWarnings.push_back(std::move(converted));
        }
    }
    // Every row has ended: from here the run's own end leaves the list.
    form.runProgress = {};
    trap.step(160, [&] { form.Me.setMousePointer(platform::kPointerDefault); });
    trap.step(162, [&] { form.ProgressBar1.setValue(0); });
    trap.step(164, [&] { form.ProgressBar1.setText(kProgressBarRestText); });
    RetryList retryList;
    trap.step(166, [&] { retryList = LeaveRetryList(form, AddressesOf(unsaved)); });
    const bool clean = unsaved.empty() && savedWithWarnings.empty();
    trap.step(170, [&] {
        ShowMessage(form, ClosingMessage(rowCount, unsaved, savedWithWarnings, retryList),
                    clean ? platform::kMessageOkOnly : platform::kMessageExclamation);
    });
}

}  // namespace

void PushButton2_Click(Form1& form) {
    ErrorTrap trap(form.dialogs, "in Orlenda2021/08/31.Form1.PushButton2_Click ");
    if (trap.endsWhen(100, [&] { return form.IsRunning; })) return;
    if (trap.endsWhen(178, [&] { return form.IsImportingList; })) {
        trap.step(180, [&] { ShowMessage(form, kListStillLoadingMessage); });
        return;
    }
    trap.step(102, [&] { form.IsRunning = true; });
    if (trap.when(104, [&] { return form.ListView1.rowCount() == 0; })) {
        trap.step(174, [&] { ShowMessage(form, kNoFilesMessage); });
    } else if (trap.when(106, [&] { return !IsFolder(form.files, OutputFolder(form)); })) {
        trap.step(172, [&] { ShowMessage(form, kFolderMissingMessage); });
    } else {
        ConvertAllRows(form, trap);
    }
    trap.step(176, [&] { form.IsRunning = false; });
}

platform::ProgramEnd LeaveRetryListOfStoppedRun(Form1& form) {
    const RunProgress& run = form.runProgress;
    if (run.currentRow == 0) return {};
    std::vector<std::string> addresses = run.unsavedAddresses;
    try {
        for (std::int64_t row = run.currentRow; row <= run.lastRow; ++row) {
            addresses.push_back(form.ListView1.rowText(row));
        }
        const RetryList list = LeaveRetryList(form, addresses);
        if (!list.path.empty() || addresses.empty()) return {};
        return EndWithLostRetryList(list, addresses);
    } catch (const std::exception& failure) {
        // The program is ending: standard error is all that is left.
        return EndWithLostRetryList({.outputFolderFailure = failure.what()}, addresses);
    }
}

}  // namespace orlenda
