#include "trackbar_value.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <climits>

#include "kaleidra/scene/value_limits.h"

namespace kdr::gui {

TrackbarValue::TrackbarValue(QSlider* slider, QLabel* value, std::function<void()> store)
    : QObject(slider), m_slider(slider), m_value(value), m_store(std::move(store)) {
    connect(m_slider, &QSlider::valueChanged, this, &TrackbarValue::moved);
    connect(m_slider, &QSlider::sliderReleased, this, [this] {
        if (!m_showing) {
            m_store();
        }
    });
}

void TrackbarValue::set_up(int minimum, int maximum, int page) {
    const QSignalBlocker quiet(m_slider);
    m_slider->setRange(minimum, maximum);
    m_slider->setSingleStep(1);
    if (page > 0) {
        m_slider->setPageStep(page);
        m_slider->setTickInterval(page);
    } else {
        m_slider->setPageStep(std::max(1, (maximum - minimum) / 5));
        m_slider->setTickInterval(1);
    }
}

void TrackbarValue::show_value(float stored) {
    m_showing = true;
    const int number = whole_value(stored, INT_MIN / 2, INT_MAX / 2);
    {
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(std::clamp(number, m_slider->minimum(), m_slider->maximum()));
    }
    m_value->setText(text_of(number));
    m_showing = false;
}

int TrackbarValue::value() const {
    return m_slider->value();
}

void TrackbarValue::moved(int position) {
    m_value->setText(text_of(position));
    if (!m_showing && !m_slider->isSliderDown()) {
        m_store();
    }
}

QString TrackbarValue::text_of(int number) const {
    return m_slider->maximum() == 100 ? QString::number(number) + '%' : QString::number(number);
}

}  // namespace kdr::gui
