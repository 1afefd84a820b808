#pragma once
// A trackbar and the static beside it that shows its value ("%d%%" when
// the trackbar's maximum is 100, "%d" otherwise). Pages store after every
// movement except while the thumb is dragged, when only the number
// follows; the release stores. A stored value outside the range is shown
// as stored with the thumb at the nearest end, so the next store writes
// that end.

#include <QObject>

#include <functional>

class QLabel;
class QSlider;

namespace kdr::gui {

class TrackbarValue : public QObject {
    Q_OBJECT

  public:
    // `store` runs after each movement that stores.
    TrackbarValue(QSlider* slider, QLabel* value, std::function<void()> store);

    // Range and page size; a page size of 0 leaves a tick at every step.
    void set_up(int minimum, int maximum, int page);
    // Shows a stored value without storing.
    void show_value(float stored);
    int value() const;
    QSlider* slider() const { return m_slider; }
    QLabel* label() const { return m_value; }

  private:
    void moved(int position);
    QString text_of(int number) const;

    QSlider* m_slider;
    QLabel* m_value;
    std::function<void()> m_store;
    bool m_showing = false;
};

}  // namespace kdr::gui
