#pragma once
// What the tests of the option pages and editors share: the sheet run on
// one page, the dialogs that page opens over it answered one after the
// other by the test (each handler must close its dialog), the controls of
// a page or dialog by id, and records with the items the tests edit.

#include <QAbstractButton>
#include <QDialog>

#include <deque>
#include <functional>

#include "dialog_test_support.h"
#include "kaleidra/gui/dialog_hook.h"
#include "kaleidra/scene/items.h"

namespace kdr::gui {
class OptionPage;
}

namespace kdr::gui::test {

class PagesTest : public DialogTest {
  protected:
    explicit PagesTest(const InstallationContents& contents = recording_contents());

    // An installation whose preview engine is Rnd_Generic.
    static InstallationContents generic_contents();

    // Runs the sheet over `record`, shows page `dialog_id` and runs `body`
    // on it; the sheet is closed with OK afterwards unless the body closed
    // it. Returns the sheet's result.
    int run_page(EffectSettings& record, int dialog_id,
                 const std::function<void(SelectionSheet&, OptionPage&)>& body,
                 int filter_mode = 0);

    // The next dialog of `kind` that a page opens runs `handler` once it is
    // shown; the handler must close it. A dialog nobody expected fails the
    // test and is cancelled.
    void expect_dialog(DialogKind kind, std::function<void(QDialog&)> handler);
    // Whether every expected dialog was shown.
    bool all_dialogs_shown() const { return m_expected.empty(); }

  private:
    struct Expected {
        DialogKind kind;
        std::function<void(QDialog&)> handler;
    };
    std::deque<Expected> m_expected;
};

// Clicks button `id` of `parent` (failing the test when it is missing).
void click(const QWidget* parent, int id);
// Moves trackbar `id` to `position` as a keyboard step would.
void slide(const QWidget* parent, int id, int position);
// Replaces the text of edit `id` and leaves it, as tabbing out would.
void type_into(const QWidget* parent, int id, const QString& text);
// Chooses entry `index` of list `id` as a person would.
void choose(const QWidget* parent, int id, int index);
QString text_of(const QWidget* parent, int id);
bool enabled(const QWidget* parent, int id);

// The record's envelope `parameter` with link id 0, or null.
scene::Envelope* envelope_of(const EffectSettings& record, int parameter);
// Adds an envelope of a settings value with keys (0, from) and (1, to).
scene::Envelope& add_settings_envelope(EffectSettings& record, std::uint16_t id, int parameter,
                                       float from, float to);

}  // namespace kdr::gui::test
