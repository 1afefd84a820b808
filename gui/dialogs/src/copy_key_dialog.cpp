#include "copy_key_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "dialog_units.h"
#include "kaleidra/gui/dialog_hook.h"
#include "kaleidra/platform/message_box.h"

namespace kdr::gui {
namespace {

constexpr ControlEntry copy_controls[] = {
    {-1, ControlKind::label, "Enter Time Of Copied Key (%):", 7, 8, 110, 10},
    {1132, ControlKind::line_edit, nullptr, 120, 6, 40, 14},
    {1, ControlKind::push_button, "OK", 175, 6, 50, 14},
    {2, ControlKind::push_button, "Cancel", 175, 24, 50, 14},
};

// A whole number and nothing else (spaces around it allowed).
std::optional<int> whole_number(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

CopyKeyDialog::CopyKeyDialog(int percent, QWidget* parent) : QDialog(parent) {
    setObjectName("123");
    setWindowTitle("Copy Current Key");
    const DialogUnits units(font());
    create_controls(this, copy_controls, units);
    setFixedSize(units.size(232, 46));
    m_time = findChild<QLineEdit*>("1132");
    m_time->setText(QString::number(percent));
    m_time->selectAll();
    auto* ok = findChild<QPushButton*>("1");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CopyKeyDialog::accept);
    connect(findChild<QPushButton*>("2"), &QPushButton::clicked, this, &QDialog::reject);
}

void CopyKeyDialog::accept() {
    const std::optional<int> percent = whole_number(m_time->text());
    if (!percent || *percent < 0 || *percent > 100) {
        platform::show_message_box("Invalid Time", "Time must be between 0% and 100%",
                                   platform::MessageKind::warning);
        return;
    }
    m_percent = *percent;
    QDialog::accept();
}

std::optional<int> ask_copy_time(int percent, QWidget* parent) {
    CopyKeyDialog dialog(percent, parent);
    dialog_shown(dialog, DialogKind::copy_key, false);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.chosen_percent();
}

}  // namespace kdr::gui
