#include "kaleidra/updater/gui/progress_dialog.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <cmath>

#include "kaleidra/updater/progress.h"

namespace kdr::updater::gui {
namespace {

// Dialog units of the dialog font: x in quarters of the average character
// width, y in eighths of the character height, rounded the old way.
struct DialogUnits {
    explicit DialogUnits(const QFont& font) {
        QFontMetrics metrics(font);
        int two_alphabets = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        average_width = (two_alphabets / 26 + 1) / 2;
        height = metrics.height();
    }
    int x(int units) const { return static_cast<int>(std::lround(units * average_width / 4.0)); }
    int y(int units) const { return static_cast<int>(std::lround(units * height / 8.0)); }
    QRect rect(int left, int top, int width, int height_units) const {
        return QRect(x(left), y(top), x(width), y(height_units));
    }

    int average_width = 0;
    int height = 0;
};

QLabel* sunken_text(QWidget* parent, const char* id, const QRect& geometry) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(id));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    return label;
}

}  // namespace

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(installer_title));
    DialogUnits units(font());
    setFixedSize(units.x(276), units.y(61));
    m_upper = sunken_text(this, "1000", units.rect(7, 10, 262, 14));
    m_lower = sunken_text(this, "1001", units.rect(7, 36, 262, 14));
}

void ProgressDialog::show_text(QLabel* label, const QString& text) {
    int room = label->contentsRect().width() - 2 * label->margin() - 4;
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, std::max(room, 0)));
    label->setToolTip(text);
}

void ProgressDialog::set_upper(const QString& text) {
    show_text(m_upper, text);
}

void ProgressDialog::set_lower(const QString& text) {
    show_text(m_lower, text);
}

void ProgressDialog::close_when_done() {
    m_done = true;
    accept();
}

void ProgressDialog::reject() {
    // Escape and the window's close button do not stop a run half-way.
    if (m_done) {
        QDialog::reject();
    }
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    if (m_done) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

}  // namespace kdr::updater::gui
