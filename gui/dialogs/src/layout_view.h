#pragma once
// Control 1128 of the path editor: the layout view that the preview engine
// draws into the view frame's output image (24-bit blue-green-red, bottom
// row first, rows aligned to 4 bytes), painted inside the sunken frame.
// Mouse presses are left to the editor, which drags keys from anywhere in
// its window.

#include <QFrame>
#include <QImage>

#include <cstdint>

namespace kdr::gui {

class LayoutView : public QFrame {
  public:
    explicit LayoutView(QWidget* parent);

    // The size the engine draws at: the client area inside the frame.
    QSize view_size() const { return contentsRect().size(); }
    // Takes a picture of `width` x `height` pixels from `pixels` (`stride`
    // bytes a row, bottom row first).
    void show_picture(const std::uint8_t* pixels, int width, int height, int stride);
    void clear_picture();
    const QImage& picture() const { return m_picture; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage m_picture;
};

}  // namespace kdr::gui
