#include "owner_window.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace kdr::gui {

QWidget* own_window(std::uintptr_t owner) {
    return owner != 0 ? QWidget::find(static_cast<WId>(owner)) : nullptr;
}

ForeignOwner::ForeignOwner(QWidget& dialog, std::uintptr_t owner) : m_dialog(dialog) {
    if (owner == 0 || dialog.parentWidget() != nullptr ||
        QGuiApplication::platformName() != QLatin1String("xcb")) {
        return;
    }
    m_window.reset(QWindow::fromWinId(static_cast<WId>(owner)));
    if (!m_window) {
        return;
    }
    dialog.winId();  // the dialog needs its native window to be made transient
    if (QWindow* handle = dialog.windowHandle()) {
        handle->setTransientParent(m_window.get());
    }
}

ForeignOwner::~ForeignOwner() {
    if (!m_window) {
        return;
    }
    if (QWindow* handle = m_dialog.windowHandle()) {
        handle->setTransientParent(nullptr);
    }
}

}  // namespace kdr::gui
