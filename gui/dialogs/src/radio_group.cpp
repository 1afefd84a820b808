#include "radio_group.h"

#include <QAbstractButton>
#include <QButtonGroup>

namespace kdr::gui {

int checked_radio(const QWidget* page, RadioIds group, int fallback) {
    for (int i = 0; i < group.count; ++i) {
        auto* radio = page->findChild<QAbstractButton*>(QString::number(group.first_id + i));
        if (radio != nullptr && radio->isChecked()) {
            return i;
        }
    }
    return fallback;
}

void check_radio(QWidget* page, RadioIds group, int index) {
    for (int i = 0; i < group.count; ++i) {
        auto* radio = page->findChild<QAbstractButton*>(QString::number(group.first_id + i));
        if (radio == nullptr) {
            continue;
        }
        // An exclusive group keeps one button checked; a value that names
        // none leaves the whole group unchecked.
        QButtonGroup* buttons = radio->group();
        const bool exclusive = buttons != nullptr && buttons->exclusive();
        if (exclusive) {
            buttons->setExclusive(false);
        }
        radio->setChecked(i == index);
        if (exclusive) {
            buttons->setExclusive(true);
        }
    }
}

}  // namespace kdr::gui
