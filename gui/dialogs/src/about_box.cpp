#include "about_box.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "dialog_units.h"
#include "kaleidra/gui/dialog_hook.h"

namespace kdr::gui {
namespace {

constexpr const char* contact_text =
    "Kaleidra 3D video transitions, by Talvane.\n\n"
    "Questions, ideas and reports of faults are welcome. The help pages in "
    "the HELP folder of your installation say how to reach us.";

// A picture scaled to fit its rectangle, keeping its shape, centred.
class Picture : public QWidget {
  public:
    Picture(const QString& resource, QWidget* parent) : QWidget(parent), m_image(resource) {}
    const QImage& image() const { return m_image; }

  protected:
    void paintEvent(QPaintEvent*) override {
        if (m_image.isNull()) {
            return;
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        QSize fitted = m_image.size().scaled(size(), Qt::KeepAspectRatio);
        QRect target(QPoint(0, 0), fitted);
        target.moveCenter(rect().center());
        painter.drawImage(target, m_image);
    }

  private:
    QImage m_image;
};

QFont arial(int pixels) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setWeight(QFont::Bold);
    return font;
}

}  // namespace

AboutBox::AboutBox(const char* title, const char* release, QWidget* parent) : QDialog(parent) {
    setObjectName("101");
    setWindowTitle("About Kaleidra");
    const DialogUnits units(font());
    setFixedSize(units.size(382, 201));

    auto* picture = new Picture(QStringLiteral(":/about/about-125.png"), this);
    picture->setObjectName("125");
    picture->setGeometry(units.rect(5, 5, 145, 150));
    auto* small_picture = new Picture(QStringLiteral(":/about/about-126.png"), this);
    small_picture->setObjectName("126");
    small_picture->setGeometry(units.rect(295, 140, 81, 54));

    auto* title_label = new QLabel(title != nullptr ? QString::fromUtf8(title) : "Kaleidra", this);
    title_label->setObjectName("1085");
    title_label->setFont(arial(28));
    title_label->setGeometry(units.rect(155, 10, 200, 20));
    auto* release_label =
        new QLabel(release != nullptr ? QString::fromUtf8(release) : "Release 3", this);
    release_label->setObjectName("1087");
    release_label->setFont(arial(18));
    release_label->setGeometry(units.rect(155, 30, 150, 15));

    auto* contact = new QLabel(contact_text, this);
    contact->setObjectName("1142");
    contact->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    contact->setWordWrap(true);
    contact->setGeometry(units.rect(155, 125, 135, 70));

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("1");
    ok->setDefault(true);
    ok->setGeometry(units.rect(315, 115, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

int run_about_box(QWidget* parent, const char* title, const char* release, bool outermost) {
    AboutBox box(title, release, parent);
    dialog_shown(box, DialogKind::about_box, outermost);
    box.exec();
    return 0;
}

}  // namespace kdr::gui
