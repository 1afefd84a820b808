// Draws the pictures of Reelbench for the README: the main window with a
// project, the Settings dialog and the compression dialog, each written as
// a PNG file into FOLDER. Runs over the installation the registry names.
//
//   kdr-reelbench-shots FOLDER PROJECT.kdp

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QTimer>

#include <cstdio>

#include "kaleidra/editor/preferences.h"
#include "kaleidra/editor/window/compression_dialog.h"
#include "kaleidra/editor/window/main_window.h"
#include "kaleidra/editor/window/settings_dialog.h"
#include "kaleidra/install/registry_values.h"

namespace {

bool save(QWidget& widget, const QString& file) {
    QApplication::processEvents();
    if (!widget.grab().save(file)) {
        std::fprintf(stderr, "kdr-reelbench-shots: cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kdr::editor;
    if (argc != 3) {
        std::fprintf(stderr, "usage: kdr-reelbench-shots FOLDER PROJECT.kdp\n");
        return 2;
    }
    QApplication application(argc, argv);
    kdr::install::set_registry_key(kdr::install::package_registry_key);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const Preferences preferences = Preferences::open_default();
    kdr::Result<RecentValues> recent = preferences.start_up();
    if (!recent) {
        std::fprintf(stderr, "kdr-reelbench-shots: %s\n", recent.error().c_str());
        return 1;
    }
    window::MainWindow main(preferences, *recent);
    main.resize(1000, 560);
    main.show();
    main.open_project_file(argv[2]);
    if (main.project().item_count() == 0) {
        std::fprintf(stderr, "kdr-reelbench-shots: %s holds no items\n", argv[2]);
        return 1;
    }
    // The mouse over the middle of the second track's first clip: the
    // cursor line and the status text.
    for (const auto& item : main.project().items()) {
        if (item->track != 2) {
            continue;
        }
        window::TimelineView* view = main.timeline();
        const TrackArea area = window::track_area_of(view->layout());
        const window::ItemBox box = window::item_box(main.project(), area, *item);
        const QPointF at((box.box.left + box.box.right) / 2.0,
                         (box.box.top + box.box.bottom) / 2.0);
        QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        break;
    }
    bool ok = save(main, folder + "/reelbench-window.png");

    window::SettingsDialog settings(&main, main.project().output);
    settings.show();
    ok = save(settings, folder + "/reelbench-settings.png") && ok;

    kdr::video::CompressOptions options = main.project().output.final_options;
    window::CompressionDialog compression(&main, options);
    compression.show();
    ok = save(compression, folder + "/reelbench-compression.png") && ok;
    return ok ? 0 : 1;
}
