// The about box through the library's own call.

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "about_box.h"
#include "dialog_test_support.h"
#include "kaleidra/gui/dialog_hook.h"
#include "kaleidra/gui/selection.h"

namespace kdr::gui::test {
namespace {

class AboutBoxTest : public DialogTest {
  protected:
    // Opens the box through show_about and closes it with `key` (or the OK
    // button when 0); returns the result and what the box showed.
    int open(const char* title, const char* release, int key) {
        set_dialog_shown_hook([&](QDialog& dialog, DialogKind kind) {
            EXPECT_EQ(kind, DialogKind::about_box);
            shown_title = control<QLabel>(&dialog, 1085)->text();
            shown_release = control<QLabel>(&dialog, 1087)->text();
            title_font = control<QLabel>(&dialog, 1085)->font();
            contact = control<QLabel>(&dialog, 1142)->text();
            window_title = dialog.windowTitle();
            for (const char* picture : {"125", "126"}) {
                QWidget* widget = dialog.findChild<QWidget*>(picture);
                pictures += widget != nullptr && !widget->grab().toImage().isNull() ? 1 : 0;
            }
            QTimer::singleShot(0, &dialog, [&dialog, key] {
                if (key == 0) {
                    control<QPushButton>(&dialog, 1)->click();
                } else {
                    QTest::keyClick(&dialog, Qt::Key(key));
                }
            });
        });
        return show_about(0, title, release);
    }

    QString shown_title, shown_release, contact, window_title;
    QFont title_font;
    int pictures = 0;
};

TEST_F(AboutBoxTest, NullTextsShowKaleidraAndReleaseThree) {
    EXPECT_EQ(open(nullptr, nullptr, Qt::Key_Escape), dialog_ok);
    EXPECT_EQ(shown_title, "Kaleidra");
    EXPECT_EQ(shown_release, "Release 3");
    EXPECT_EQ(window_title, "About Kaleidra");
    EXPECT_TRUE(title_font.bold());
    EXPECT_EQ(title_font.pixelSize(), 28);
    EXPECT_FALSE(contact.isEmpty());
    EXPECT_EQ(pictures, 2);
}

TEST_F(AboutBoxTest, ShowsTheCallersTextsAndClosesOnEnterOrOk) {
    EXPECT_EQ(open("Reelbench", "Version 3.0.9", Qt::Key_Return), dialog_ok);
    EXPECT_EQ(shown_title, "Reelbench");
    EXPECT_EQ(shown_release, "Version 3.0.9");
    EXPECT_EQ(open(nullptr, "Only the release", 0), dialog_ok);
    EXPECT_EQ(shown_title, "Kaleidra");
    EXPECT_EQ(shown_release, "Only the release");
}

TEST(AboutArtTest, ThePicturesAreCompiledIn) {
    for (const char* resource : {":/about/about-125.png", ":/about/about-126.png"}) {
        const QImage picture(resource);
        ASSERT_FALSE(picture.isNull()) << resource;
        EXPECT_GT(picture.width(), 100) << resource;
        // Rendered, not blank: more than one colour.
        const QRgb first = picture.pixel(0, 0);
        bool varied = false;
        for (int y = 0; y < picture.height() && !varied; y += 7) {
            for (int x = 0; x < picture.width() && !varied; x += 7) {
                varied = picture.pixel(x, y) != first;
            }
        }
        EXPECT_TRUE(varied) << resource;
    }
}

}  // namespace
}  // namespace kdr::gui::test
