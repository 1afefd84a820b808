#include "context_help.h"

#include <QWidget>

#include "help_viewer.h"
#include "library_state.h"

namespace kdr::gui {
namespace {

struct HelpPair {
    int control;
    int topic;
};

// Control id and topic, in the order the pairs are looked up; ids that
// several pages share map to one topic.
constexpr HelpPair help_pairs[] = {
    // effect page
    {102, 100},
    {1026, 101},
    {1001, 102},
    {1002, 102},
    {1003, 102},
    {1004, 102},
    {1005, 102},
    {1006, 102},
    {1007, 102},
    {1008, 102},
    {1009, 102},
    {1010, 102},
    {1011, 102},
    {1012, 102},
    {1013, 102},
    {1014, 102},
    {1015, 102},
    {1016, 102},
    // the shared "Selected FX" panel
    {1509, 7},
    {1062, 7},
    {1078, 8},
    {1042, 6},
    {1044, 5},
    // Options page
    {1100, 201},
    {1101, 201},
    {1103, 202},
    {1104, 202},
    {1105, 202},
    {1106, 203},
    {1107, 203},
    {1108, 204},
    {1109, 204},
    {1110, 205},
    {1112, 206},
    {1601, 207},
    {1121, 208},
    {1115, 209},
    {1117, 210},
    {1639, 211},
    // Filter Options page
    {1200, 301},
    {1201, 302},
    {1203, 303},
    {1205, 304},
    // Objects page
    {1300, 401},
    {1301, 402},
    {1303, 403},
    {1305, 404},
    {1309, 405},
    {1119, 406},
    {1312, 407},
    {1307, 408},
    {1320, 409},
    // Settings page
    {1500, 501},
    {1501, 501},
    {1502, 501},
    {1503, 502},
    {1080, 509},
    {1515, 503},
    {1516, 503},
    {1517, 503},
    {1504, 504},
    {1505, 505},
    {1081, 506},
    {1509, 507},
    {1511, 508},
    {0, 0},
};

}  // namespace

int help_topic(int control_id) {
    for (const HelpPair& pair : help_pairs) {
        if (pair.control == 0 && pair.topic == 0) {
            break;
        }
        if (pair.control == control_id) {
            return pair.topic;
        }
    }
    return 0;
}

int control_id_of(const QWidget* widget) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        bool number = false;
        const int id = widget->objectName().toInt(&number);
        if (number) {
            return id;
        }
    }
    return -1;
}

void open_help(QWidget* from, int topic) {
    HelpViewer::open(from->window(), library_state().help_file, topic);
}

}  // namespace kdr::gui
