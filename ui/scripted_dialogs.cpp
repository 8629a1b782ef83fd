#include "ui/scripted_dialogs.h"

#include "ui/options_dialog.h"
#include "ui/text_dialog.h"

namespace cwui {

int ScriptedDialogs::runOptions(OptionsDialog& dialog) {
    ++optionsRuns;
    dialog.setResult(QDialog::Rejected);
    if (optionsScript) optionsScript(dialog);
    return dialog.result();
}

int ScriptedDialogs::runText(TextDialog& dialog) {
    ++textRuns;
    dialog.setResult(QDialog::Rejected);
    if (textScript) textScript(dialog);
    return dialog.result();
}

} // namespace cwui
