#include "sitelist/sitelist_handlers.h"

#include <string>

#include "form/error_trap.h"

namespace orlenda {

void PushButton1_Click(Form1& form) {
    ErrorTrap trap(form.dialogs, "in Orlenda2021/08/31.Form1.PushButton1_Click ");
    std::string address;
    trap.step(100, [&] { address = form.dialogs.inputBox(kAddSitePrompt, kApplicationTitle); });
    if (trap.endsWhen(102, [&] { return address.empty(); })) return;
    trap.step(104, [&] { form.ListView1.append(address); });
}

void PushButton3_Click(Form1& form) {
    ErrorTrap trap(form.dialogs, "in Orlenda2021/08/31.Form1.PushButton3_Click ");
    trap.step(100, [&] { form.ListView1.append(kFirstSampleAddress); });
    trap.step(102, [&] { form.ListView1.append(kSecondSampleAddress); });
}

void PushButton7_Click(Form1& form) {
    ErrorTrap trap(form.dialogs, "in Orlenda2021/08/31.Form1.PushButton7_Click ");
    // Test and action are one step: a failing test still clears.
    if (trap.when(100, [&] { return !form.isBusy(); })) {
        trap.step(100, [&] { form.ListView1.clear(); });
    }
}

void ListView1_DblClick(Form1& form) {
    if (form.isBusy()) return;
    if (form.ListView1.rowCount() == 0) return;
    const auto current = form.ListView1.currentRow();
    if (current == 0) return;  // rows but none selected: nothing to remove
    form.ListView1.removeRow(current);
}

void ListView1_KeyDown(Form1& form, int keyCode) {
    if (keyCode == kDeleteKeyCode) ListView1_DblClick(form);
}

}  // namespace orlenda
