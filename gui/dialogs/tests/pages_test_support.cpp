#include "pages_test_support.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "kaleidra/gui/option_values.h"
#include "kaleidra/gui/selection.h"
#include "kaleidra/scene/scene.h"
#include "option_page.h"
#include "selection_sheet.h"

namespace kdr::gui::test {

PagesTest::PagesTest(const InstallationContents& contents) : DialogTest(contents) {
    // One still preview frame keeps the preview thread's work small.
    install.set_number("Prev_Frames", 1);
}

InstallationContents PagesTest::generic_contents() {
    InstallationContents contents;
    contents.generic_engine = true;
    contents.preview_engine = "Rnd_Generic";
    return contents;
}

void PagesTest::expect_dialog(DialogKind kind, std::function<void(QDialog&)> handler) {
    m_expected.push_back({kind, std::move(handler)});
}

int PagesTest::run_page(EffectSettings& record, int dialog_id,
                        const std::function<void(SelectionSheet&, OptionPage&)>& body,
                        int filter_mode) {
    bool ran = false;
    set_dialog_shown_hook([&](QDialog& dialog, DialogKind kind) {
        if (kind == DialogKind::selection_sheet) {
            auto* sheet = qobject_cast<SelectionSheet*>(&dialog);
            QTimer::singleShot(0, sheet, [&, sheet] {
                ran = true;
                if (!sheet->show_page(dialog_id)) {
                    ADD_FAILURE() << "the sheet has no page " << dialog_id;
                    sheet->reject();
                    return;
                }
                body(*sheet, *sheet->current_page());
                if (sheet->isVisible()) {
                    sheet->accept();
                }
            });
            QTimer::singleShot(120000, sheet, [sheet] {
                ADD_FAILURE() << "the sheet was still open after 120 s";
                sheet->reject();
            });
            return;
        }
        if (m_expected.empty() || m_expected.front().kind != kind) {
            ADD_FAILURE() << "a dialog no test expected: " << static_cast<int>(kind) << " \""
                          << dialog.windowTitle().toStdString() << "\"";
            QTimer::singleShot(0, &dialog, [&dialog] { dialog.reject(); });
            return;
        }
        std::function<void(QDialog&)> handler = std::move(m_expected.front().handler);
        m_expected.pop_front();
        QTimer::singleShot(0, &dialog, [handler, &dialog] { handler(dialog); });
        QTimer::singleShot(60000, &dialog, [&dialog] {
            if (dialog.isVisible()) {
                ADD_FAILURE() << "\"" << dialog.windowTitle().toStdString()
                              << "\" was still open after 60 s";
                dialog.reject();
            }
        });
    });
    const int result = select_effect(0, &record, filter_mode);
    set_dialog_shown_hook({});
    EXPECT_TRUE(ran) << "the test body never ran";
    return result;
}

void click(const QWidget* parent, int id) {
    auto* button = parent->findChild<QAbstractButton*>(QString::number(id));
    ASSERT_NE(button, nullptr) << "no button " << id;
    button->click();
}

void slide(const QWidget* parent, int id, int position) {
    auto* slider = parent->findChild<QSlider*>(QString::number(id));
    ASSERT_NE(slider, nullptr) << "no trackbar " << id;
    slider->setValue(position);
}

void type_into(const QWidget* parent, int id, const QString& text) {
    auto* edit = parent->findChild<QLineEdit*>(QString::number(id));
    ASSERT_NE(edit, nullptr) << "no edit " << id;
    edit->setText(text);
    emit edit->textEdited(text);
    emit edit->editingFinished();
}

void choose(const QWidget* parent, int id, int index) {
    auto* list = parent->findChild<QComboBox*>(QString::number(id));
    ASSERT_NE(list, nullptr) << "no list " << id;
    ASSERT_LT(index, list->count()) << "list " << id;
    list->setCurrentIndex(index);
    emit list->activated(index);
}

QString text_of(const QWidget* parent, int id) {
    const QWidget* widget = parent->findChild<QWidget*>(QString::number(id));
    if (auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    ADD_FAILURE() << "no text control " << id;
    return {};
}

bool enabled(const QWidget* parent, int id) {
    const QWidget* widget = parent->findChild<QWidget*>(QString::number(id));
    EXPECT_NE(widget, nullptr) << "no control " << id;
    return widget != nullptr && widget->isEnabled();
}

scene::Envelope* envelope_of(const EffectSettings& record, int parameter) {
    return settings_envelope(record, parameter);
}

scene::Envelope& add_settings_envelope(EffectSettings& record, std::uint16_t id, int parameter,
                                       float from, float to) {
    auto envelope = std::make_unique<scene::Envelope>();
    envelope->id = id;
    envelope->parameter = static_cast<std::uint16_t>(parameter);
    envelope->keys = {EnvelopeKey{0, from, 0, 0, 0, 0, 0}, EnvelopeKey{1, to, 0, 0, 0, 0, 0}};
    scene::Envelope& kept = *envelope;
    settings_scene(record)->envelopes.push_back(std::move(envelope));
    settings_scene(record)->link();
    return kept;
}

}  // namespace kdr::gui::test
