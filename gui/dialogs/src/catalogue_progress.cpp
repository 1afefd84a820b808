#include "catalogue_progress.h"

#include <QCoreApplication>
#include <QDialog>
#include <QProgressBar>
#include <QTimer>

#include "dialog_units.h"

namespace kdr::gui {

void run_with_progress_window(const RebuildWork& work) {
    QDialog window;
    window.setObjectName("124");
    window.setWindowTitle("Updating FX List, Please Wait...");
    const DialogUnits units(window.font());
    window.setFixedSize(units.size(295, 29));
    auto* bar = new QProgressBar(&window);
    bar->setObjectName("1084");
    bar->setGeometry(units.rect(7, 7, 281, 14));
    bar->setTextVisible(false);
    bar->setRange(0, 0);

    QTimer::singleShot(500, &window, [&] {
        work([&](std::size_t done, std::size_t total) {
            bar->setRange(0, static_cast<int>(total));
            bar->setValue(static_cast<int>(done));
            // Keeps the window drawn while effect files are read; input
            // waits until the list is written.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
        window.accept();
    });
    window.exec();
}

}  // namespace kdr::gui
