#pragma once
// The dialog script of dialog_hook.h: parsed from text, then run on a
// dialog one command per turn of its event loop.

#include <QString>

#include <string>
#include <vector>

class QDialog;

namespace kdr::gui {

struct ScriptCommand {
    int line = 0;
    QString verb;
    std::vector<QString> arguments;
};

// Splits the text into commands (new lines and ';' separate them; blank
// ones are skipped). An unknown verb or a wrong number of arguments is an
// error naming its line.
bool parse_dialog_script(const QString& text, std::vector<ScriptCommand>& commands,
                         std::string& error);

// The script of KALEIDRA_DIALOG_SCRIPT ("@FILE" reads FILE); empty when
// the variable is not set. A file that cannot be read is reported on
// standard error and gives the script "cancel".
QString dialog_script_from_environment();

// Starts running `commands` on `dialog` (a selection sheet or an about
// box); the runner belongs to the dialog and ends with it.
void start_dialog_script(QDialog& dialog, std::vector<ScriptCommand> commands);

}  // namespace kdr::gui
