#include "dialog_script.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "option_page.h"
#include "selection_session.h"
#include "selection_sheet.h"

namespace kdr::gui {
namespace {

// Verb and the number of arguments it takes (-1: the rest of the line as
// one argument; -2: a word, then the rest; -3: three to five words).
const std::map<QString, int>& verbs() {
    static const std::map<QString, int> table = {
        {"page", 1},  {"click", 1},  {"choose", 2},       {"choose-text", -2}, {"slide", 2},
        {"type", -2}, {"wait", 1},   {"wait-preview", 0}, {"shot", -1},        {"close", 0},
        {"ok", 0},    {"cancel", 0}, {"drag", -3},        {"file", -1},
    };
    return table;
}

constexpr int preview_wait_limit_ms = 60000;

class ScriptRunner : public QObject {
  public:
    ScriptRunner(QDialog& dialog, std::vector<ScriptCommand> commands)
        : QObject(&dialog), m_dialog(dialog), m_commands(std::move(commands)) {
        QTimer::singleShot(0, this, [this] { advance(); });
    }

  private:
    void advance();
    // False when the command must be tried again later (waits).
    bool ready(const ScriptCommand& command);
    void run(const ScriptCommand& command);
    void fail(const ScriptCommand& command, const QString& message);
    QWidget* control(const ScriptCommand& command, std::size_t argument);
    int number(const ScriptCommand& command, std::size_t argument, bool& ok);
    QDialog* top_dialog() const;
    void drag(const ScriptCommand& command);
    void choose_file(const ScriptCommand& command);
    SelectionSheet* sheet() const { return qobject_cast<SelectionSheet*>(&m_dialog); }

    QDialog& m_dialog;
    std::vector<ScriptCommand> m_commands;
    std::size_t m_next = 0;
    QElapsedTimer m_waiting;
    bool m_failed = false;
};

void ScriptRunner::advance() {
    if (m_failed || m_next >= m_commands.size()) {
        return;
    }
    const ScriptCommand& command = m_commands[m_next];
    if (!ready(command)) {
        QTimer::singleShot(20, this, [this] { advance(); });
        return;
    }
    ++m_next;
    m_waiting.invalidate();
    // The next step is queued first: a command may open a modal dialog whose
    // own event loop then runs the rest of the script.
    QTimer::singleShot(0, this, [this] { advance(); });
    run(command);
}

bool ScriptRunner::ready(const ScriptCommand& command) {
    if (!m_waiting.isValid()) {
        m_waiting.start();
    }
    if (command.verb == "wait") {
        bool ok = false;
        const int milliseconds = command.arguments[0].toInt(&ok);
        return !ok || m_waiting.elapsed() >= milliseconds;
    }
    if (command.verb == "wait-preview") {
        SelectionSheet* selection = sheet();
        if (selection == nullptr || m_waiting.elapsed() > preview_wait_limit_ms) {
            return true;
        }
        const PreviewRenderer* renderer = selection->session().renderer();
        return renderer == nullptr ||
               (!renderer->rendering() && !renderer->render_pending() && renderer->engine_tried());
    }
    return true;
}

void ScriptRunner::fail(const ScriptCommand& command, const QString& message) {
    std::fprintf(stderr, "dialog script: line %d: %s\n", command.line,
                 message.toLocal8Bit().constData());
    m_failed = true;
    // Every dialog over the sheet goes, from the top down (a file dialog
    // over an editor over the sheet), so that no nested loop waits on.
    for (int depth = 0; depth < 16; ++depth) {
        QDialog* top = top_dialog();
        if (top == nullptr || top == &m_dialog) {
            break;
        }
        top->reject();
    }
    m_dialog.reject();
}

QDialog* ScriptRunner::top_dialog() const {
    return qobject_cast<QDialog*>(QApplication::activeModalWidget());
}

// Presses a mouse button in the middle of the control, moves it by the
// distance in steps of at most 5 pixels with the button held, and lets go,
// as a person dragging would; the events go through the application, so a
// control that ignores them passes them to the window it lies in.
void ScriptRunner::drag(const ScriptCommand& command) {
    QWidget* target = control(command, 0);
    bool ok_x = true;
    bool ok_y = true;
    const int dx = number(command, 1, ok_x);
    const int dy = ok_x ? number(command, 2, ok_y) : 0;
    if (target == nullptr || !ok_x || !ok_y) {
        return;
    }
    Qt::MouseButton button = Qt::LeftButton;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    for (std::size_t i = 3; i < command.arguments.size(); ++i) {
        if (command.arguments[i] == "right") {
            button = Qt::RightButton;
        } else if (command.arguments[i] == "shift") {
            modifiers = Qt::ShiftModifier;
        } else {
            fail(command,
                 "drag takes \"right\" or \"shift\", not \"" + command.arguments[i] + "\"");
            return;
        }
    }
    const QPointF start = QRectF(target->rect()).center();
    auto send = [&](QEvent::Type type, const QPointF& at, Qt::MouseButtons held) {
        QMouseEvent event(type, at, target->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, modifiers);
        QApplication::sendEvent(target, &event);
    };
    send(QEvent::MouseButtonPress, start, button);
    const int steps = std::max(1, (std::max(std::abs(dx), std::abs(dy)) + 4) / 5);
    for (int step = 1; step <= steps; ++step) {
        send(QEvent::MouseMove, start + QPointF(dx * step / steps, dy * step / steps), button);
    }
    send(QEvent::MouseButtonRelease, start + QPointF(dx, dy), Qt::NoButton);
}

// Chooses a file in the file dialog on top and presses its OK. A file to
// open must exist and a file to save must have its folder: the dialog's own
// complaint would wait for a person.
void ScriptRunner::choose_file(const ScriptCommand& command) {
    auto* files = qobject_cast<QFileDialog*>(top_dialog());
    if (files == nullptr) {
        fail(command, "no file dialog lies over the sheet");
        return;
    }
    const QFileInfo chosen(command.arguments[0]);
    const bool opening = files->acceptMode() == QFileDialog::AcceptOpen;
    if (opening ? !chosen.isFile() : !chosen.absoluteDir().exists()) {
        fail(command, (opening ? "no file " : "no folder for ") + command.arguments[0]);
        return;
    }
    files->selectFile(chosen.absoluteFilePath());
    static_cast<QDialog*>(files)->accept();
}

QWidget* ScriptRunner::control(const ScriptCommand& command, std::size_t argument) {
    const QString id = command.arguments[argument];
    QWidget* top = top_dialog();
    QWidget* found = nullptr;
    if (SelectionSheet* selection = sheet(); selection != nullptr && top == selection) {
        if (OptionPage* page = selection->current_page()) {
            found = page->findChild<QWidget*>(id);
        }
    }
    if (found == nullptr && top != nullptr) {
        found = top->findChild<QWidget*>(id);
    }
    if (found == nullptr) {
        fail(command, "no control " + id + " on the dialog shown");
    }
    return found;
}

int ScriptRunner::number(const ScriptCommand& command, std::size_t argument, bool& ok) {
    const int value = command.arguments[argument].toInt(&ok);
    if (!ok) {
        fail(command, "\"" + command.arguments[argument] + "\" is not a number");
    }
    return value;
}

void ScriptRunner::run(const ScriptCommand& command) {
    const QString& verb = command.verb;
    bool ok = true;
    if (verb == "page") {
        const int id = number(command, 0, ok);
        if (ok && (sheet() == nullptr || !sheet()->show_page(id))) {
            fail(command, "the sheet has no page " + command.arguments[0]);
        }
    } else if (verb == "click") {
        if (auto* button = qobject_cast<QAbstractButton*>(control(command, 0))) {
            button->click();
        } else if (!m_failed) {
            fail(command, "control " + command.arguments[0] + " is not a button");
        }
    } else if (verb == "choose" || verb == "choose-text") {
        auto* list = qobject_cast<QComboBox*>(control(command, 0));
        if (list == nullptr) {
            if (!m_failed) {
                fail(command, "control " + command.arguments[0] + " is not a list");
            }
            return;
        }
        const int index =
            verb == "choose" ? number(command, 1, ok) : list->findText(command.arguments[1]);
        if (!ok) {
            return;
        }
        if (index < 0 || index >= list->count()) {
            fail(command, "list " + command.arguments[0] + " has no entry " + command.arguments[1]);
            return;
        }
        list->setCurrentIndex(index);
        emit list->activated(index);
    } else if (verb == "slide") {
        auto* slider = qobject_cast<QSlider*>(control(command, 0));
        const int value = number(command, 1, ok);
        if (slider == nullptr || !ok) {
            if (!m_failed) {
                fail(command, "control " + command.arguments[0] + " is not a trackbar");
            }
            return;
        }
        slider->setValue(value);
    } else if (verb == "type") {
        auto* edit = qobject_cast<QLineEdit*>(control(command, 0));
        if (edit == nullptr) {
            if (!m_failed) {
                fail(command, "control " + command.arguments[0] + " is not an edit");
            }
            return;
        }
        edit->setText(command.arguments[1]);
        emit edit->editingFinished();
    } else if (verb == "drag") {
        drag(command);
    } else if (verb == "shot") {
        QWidget* top = top_dialog();
        if (top == nullptr || !top->grab().save(command.arguments[0], "PNG")) {
            fail(command, "cannot save a picture to " + command.arguments[0]);
        }
    } else if (verb == "close") {
        QDialog* top = top_dialog();
        if (top == nullptr || top == &m_dialog) {
            fail(command, "no dialog lies over the sheet");
        } else {
            top->accept();
        }
    } else if (verb == "file") {
        choose_file(command);
    } else if (verb == "ok") {
        m_dialog.accept();
    } else if (verb == "cancel") {
        m_dialog.reject();
    }
}

}  // namespace

bool parse_dialog_script(const QString& text, std::vector<ScriptCommand>& commands,
                         std::string& error) {
    commands.clear();
    const QStringList lines = text.split('\n');
    for (int line_index = 0; line_index < lines.size(); ++line_index) {
        for (const QString& piece : lines[line_index].split(';')) {
            const QString trimmed = piece.trimmed();
            if (trimmed.isEmpty()) {
                continue;
            }
            ScriptCommand command;
            command.line = line_index + 1;
            const qsizetype space = trimmed.indexOf(' ');
            command.verb = space < 0 ? trimmed : trimmed.left(space);
            const QString rest = space < 0 ? QString() : trimmed.mid(space + 1).trimmed();
            const auto verb = verbs().find(command.verb);
            if (verb == verbs().end()) {
                error = "dialog script: line " + std::to_string(command.line) +
                        ": unknown command \"" + command.verb.toStdString() + "\"";
                return false;
            }
            const int wanted = verb->second;
            if (wanted == -1) {
                if (!rest.isEmpty()) {
                    command.arguments.push_back(rest);
                }
            } else if (wanted == -3) {
                for (const QString& word : rest.split(' ', Qt::SkipEmptyParts)) {
                    command.arguments.push_back(word);
                }
            } else if (wanted == -2) {
                const qsizetype gap = rest.indexOf(' ');
                if (gap > 0) {
                    command.arguments.push_back(rest.left(gap));
                    command.arguments.push_back(rest.mid(gap + 1).trimmed());
                }
            } else if (!rest.isEmpty()) {
                for (const QString& word : rest.split(' ', Qt::SkipEmptyParts)) {
                    command.arguments.push_back(word);
                }
            }
            const std::size_t expected = wanted == -1   ? 1
                                         : wanted == -2 ? 2
                                         : wanted == -3 ? 3
                                                        : std::size_t(wanted);
            const bool fits = wanted == -3
                                  ? command.arguments.size() >= 3 && command.arguments.size() <= 5
                                  : command.arguments.size() == expected;
            if (!fits) {
                error = "dialog script: line " + std::to_string(command.line) + ": \"" +
                        command.verb.toStdString() + "\" takes " + std::to_string(expected) +
                        (wanted == -3 ? " to 5" : "") + " argument" + (expected == 1 ? "" : "s");
                return false;
            }
            commands.push_back(std::move(command));
        }
    }
    return true;
}

QString dialog_script_from_environment() {
    const QByteArray value = qgetenv("KALEIDRA_DIALOG_SCRIPT");
    if (value.isEmpty()) {
        return {};
    }
    const QString text = QString::fromLocal8Bit(value);
    if (!text.startsWith('@')) {
        return text;
    }
    QFile file(text.mid(1));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "dialog script: cannot read %s\n",
                     text.mid(1).toLocal8Bit().constData());
        return QStringLiteral("cancel");
    }
    return QString::fromUtf8(file.readAll());
}

void start_dialog_script(QDialog& dialog, std::vector<ScriptCommand> commands) {
    new ScriptRunner(dialog, std::move(commands));
}

}  // namespace kdr::gui
