#pragma once
// The "Selected FX" panel on the right of every page: the selected
// effect's name (as the group box's caption) and description, the preview
// picture, the render progress, the preview-speed trackbar and the Render
// button. The page owns the widgets; the panel only finds them again.

#include <QFrame>
#include <QImage>

#include <cstdint>
#include <vector>

#include "dialog_units.h"

class QGroupBox;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSlider;

namespace kdr::gui {

// Control 1042: paints the preview frame it was given, stretched into its
// rectangle shrunk by one pixel on each side.
class PreviewView : public QFrame {
  public:
    explicit PreviewView(QWidget* parent);
    // A frame of size x size pixels, blue-green-red, bottom row first.
    void show_frame(const std::vector<std::uint8_t>& pixels, int size);
    const QImage& frame() const { return m_frame; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage m_frame;
};

// Where the panel stands, in dialog units: the pages' full panel (130 x
// 225 at 205,5) or the editors' compact one (130 x 135), whose description
// and preview are smaller.
struct PanelPlace {
    int x = 205;
    int y = 5;
    bool compact = false;
};

class SelectedFxPanel {
  public:
    // Makes the panel's controls on `page` at `place`; without
    // `speed_trackbar` control 1062 is left out (the Settings page has its
    // own speed trackbar).
    SelectedFxPanel(QWidget* page, const DialogUnits& units, bool speed_trackbar,
                    PanelPlace place = {});

    void show_effect(const QString& name, const QString& description);
    void set_render_text(const QString& text);
    void set_progress(int percent);

    QGroupBox* box() const { return m_box; }
    QPlainTextEdit* description() const { return m_description; }
    PreviewView* preview() const { return m_preview; }
    QProgressBar* progress() const { return m_progress; }
    QSlider* speed() const { return m_speed; }  // null without the trackbar
    QPushButton* render() const { return m_render; }

  private:
    QGroupBox* m_box = nullptr;
    QPlainTextEdit* m_description = nullptr;
    PreviewView* m_preview = nullptr;
    QProgressBar* m_progress = nullptr;
    QSlider* m_speed = nullptr;
    QPushButton* m_render = nullptr;
};

}  // namespace kdr::gui
