#pragma once
// Buttons 1001 to 1016 of the FX page, drawn by the page: the effect's icon
// (stretched into the button less two pixels on each side), its name, or
// both, as the "Eff_Display" preference says; a two-pixel bevel, sunken for
// the selected effect and raised for the others; and an outer one-pixel
// ring, dotted black when the button has the focus and nothing else is
// happening to it, else in the button face colour. A button without an
// effect draws nothing. Each icon is drawn with its own size.

#include <QAbstractButton>
#include <QImage>

#include <functional>

namespace kdr::gui {

class IconButton : public QAbstractButton {
  public:
    // `display` answers the current "Eff_Display" value at each paint.
    IconButton(QWidget* parent, std::function<std::uint32_t()> display);

    void set_item(const QString& name, const QImage& icon);
    void clear_item();
    bool has_item() const { return m_has_item; }
    const QImage& icon() const { return m_icon; }
    const QString& effect_name() const { return m_name; }

    void set_selected(bool selected);
    bool selected() const { return m_selected; }

    QSize sizeHint() const override { return {48, 40}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::function<std::uint32_t()> m_display;
    QString m_name;
    QImage m_icon;
    bool m_has_item = false;
    bool m_selected = false;
};

}  // namespace kdr::gui
