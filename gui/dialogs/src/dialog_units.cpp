#include "dialog_units.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace kdr::gui {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average character: both alphabets' width halved and rounded up,
    // as dialog templates have always measured it.
    const int alphabets =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_average_width = (alphabets / 26 + 1) / 2;
    m_height = metrics.height();
}

int DialogUnits::x(int units) const {
    return static_cast<int>(std::lround(units * m_average_width / 4.0));
}

int DialogUnits::y(int units) const {
    return static_cast<int>(std::lround(units * m_height / 8.0));
}

QRect DialogUnits::rect(int x_units, int y_units, int width, int height) const {
    return QRect(x(x_units), y(y_units), x(width), y(height));
}

QSize DialogUnits::size(int width, int height) const {
    return QSize(x(width), y(height));
}

namespace {

QWidget* make_widget(QWidget* parent, const ControlEntry& entry, QButtonGroup*& radio_group,
                     QButtonGroup*& push_group) {
    const QString text = entry.text != nullptr ? QString::fromUtf8(entry.text) : QString();
    switch (entry.kind) {
        case ControlKind::group_box:
            return new QGroupBox(text, parent);
        case ControlKind::label: {
            auto* label = new QLabel(text, parent);
            if ((entry.style & align_right) != 0) {
                label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            // A label two lines high breaks its text between words.
            label->setWordWrap(entry.height >= 16);
            return label;
        }
        case ControlKind::sunken_label: {
            auto* label = new QLabel(text, parent);
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setTextFormat(Qt::PlainText);
            return label;
        }
        case ControlKind::etched_line: {
            auto* line = new QFrame(parent);
            line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
            return line;
        }
        case ControlKind::push_radio: {
            auto* button = new QPushButton(text, parent);
            button->setCheckable(true);
            button->setAutoDefault(false);
            if (push_group == nullptr || (entry.style & starts_group) != 0) {
                push_group = new QButtonGroup(parent);
            }
            push_group->addButton(button);
            return button;
        }
        case ControlKind::push_check: {
            auto* button = new QPushButton(text, parent);
            button->setCheckable(true);
            button->setAutoDefault(false);
            return button;
        }
        case ControlKind::push_button: {
            auto* button = new QPushButton(text, parent);
            button->setAutoDefault(false);  // Enter belongs to the sheet's OK
            return button;
        }
        case ControlKind::radio_button: {
            auto* radio = new QRadioButton(text, parent);
            if (radio_group == nullptr || (entry.style & starts_group) != 0) {
                radio_group = new QButtonGroup(parent);
            }
            radio_group->addButton(radio);
            return radio;
        }
        case ControlKind::check_box:
            return new QCheckBox(text, parent);
        case ControlKind::drop_down_list:
            return new QComboBox(parent);
        case ControlKind::trackbar: {
            auto* slider = new QSlider(Qt::Horizontal, parent);
            slider->setTickPosition(QSlider::TicksBelow);
            return slider;
        }
        case ControlKind::progress_bar: {
            auto* bar = new QProgressBar(parent);
            bar->setRange(0, 100);
            bar->setValue(0);
            bar->setTextVisible(false);
            return bar;
        }
        case ControlKind::read_only_text: {
            auto* edit = new QPlainTextEdit(parent);
            edit->setReadOnly(true);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            return edit;
        }
        case ControlKind::sunken_frame: {
            auto* frame = new QFrame(parent);
            frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            return frame;
        }
        case ControlKind::line_edit: {
            auto* edit = new QLineEdit(text, parent);
            if ((entry.style & numbers_only) != 0) {
                edit->setValidator(new QIntValidator(0, 999999999, edit));
            }
            return edit;
        }
    }
    return new QWidget(parent);
}

// Makes a label as wide as its text and keeps the control it names clear
// of it: dialog fonts differ in shape, and a label written for one may need
// more room in another.
void fit_label(QWidget* label, QWidget* control) {
    constexpr int gap = 4;
    QRect text_area = label->geometry();
    text_area.setWidth(std::max(text_area.width(), label->sizeHint().width()));
    label->setGeometry(text_area);
    QRect named = control->geometry();
    const int wanted_left = text_area.right() + 1 + gap;
    if (named.left() < wanted_left && named.top() < text_area.bottom() &&
        text_area.top() < named.bottom()) {
        named.setLeft(wanted_left);
        control->setGeometry(named);
    }
}

}  // namespace

std::vector<QWidget*> create_controls(QWidget* parent, std::span<const ControlEntry> entries,
                                      const DialogUnits& units) {
    std::vector<QWidget*> widgets;
    widgets.reserve(entries.size());
    QButtonGroup* radio_group = nullptr;
    QButtonGroup* push_group = nullptr;
    for (const ControlEntry& entry : entries) {
        QWidget* widget = make_widget(parent, entry, radio_group, push_group);
        if (entry.id >= 0) {
            widget->setObjectName(QString::number(entry.id));
        }
        QRect area = units.rect(entry.x, entry.y, entry.width, entry.height);
        const QSize natural = widget->sizeHint();
        if (entry.width == 0) {
            area.setWidth(natural.width());
        }
        if (entry.height == 0 || entry.kind == ControlKind::drop_down_list) {
            area.setHeight(natural.height());
        }
        widget->setGeometry(area);
        widget->show();
        widgets.push_back(widget);
    }
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        if ((entries[i].style & label_for_next) != 0) {
            fit_label(widgets[i], widgets[i + 1]);
        }
    }
    return widgets;
}

QWidget* find_control(const QWidget* parent, int id) {
    return parent->findChild<QWidget*>(QString::number(id));
}

}  // namespace kdr::gui
