#pragma once
// Radio buttons numbered from a first id, as the pages keep their choices:
// the record stores the index of the checked button.

#include <QWidget>

namespace kdr::gui {

struct RadioIds {
    int first_id;
    int count;
};

// The index of the checked button, or `fallback` when none is checked.
int checked_radio(const QWidget* page, RadioIds group, int fallback);
// Checks button `index`; an index outside the group leaves none checked.
void check_radio(QWidget* page, RadioIds group, int index);

}  // namespace kdr::gui
