#pragma once
// The owner window a host names by its native id (X11) or 0. A window of
// this program becomes the dialog's parent; a foreign window makes the
// dialog transient for it where the platform allows (X11), so that the
// window manager keeps the dialog above the host.

#include <cstdint>
#include <memory>

class QWidget;
class QWindow;

namespace kdr::gui {

// A widget of this program whose native window is `owner`, or null.
QWidget* own_window(std::uintptr_t owner);

// Keeps `dialog` transient for the foreign window `owner` while alive.
class ForeignOwner {
  public:
    ForeignOwner(QWidget& dialog, std::uintptr_t owner);
    ~ForeignOwner();
    ForeignOwner(const ForeignOwner&) = delete;
    ForeignOwner& operator=(const ForeignOwner&) = delete;
    bool attached() const { return m_window != nullptr; }

  private:
    QWidget& m_dialog;
    std::unique_ptr<QWindow> m_window;
};

}  // namespace kdr::gui
