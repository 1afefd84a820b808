#pragma once
// The envelope editor (dialog 118): the curve of one envelope of the
// host's record over the effect's time, edited in place, so the preview
// follows every change. Keys are made, changed and removed with the key
// tools, by typing, and with the mouse on the graph; "&Load" and "&Save"
// exchange curves with envelope files in "Envelopes". "&OK" keeps the
// envelope, "&Cancel" puts it back as it was (an envelope this opening
// made is removed again), "&Remove" takes it out of the record.

#include <optional>

#include "editor_dialog.h"
#include "kaleidra/gui/envelope_editing.h"
#include "option_page.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace kdr::gui {

class EnvelopeGraph;

class EnvelopeEditorPage : public OptionPage {
    Q_OBJECT

  public:
    EnvelopeEditorPage(SelectionSession& session, const EnvelopeChannel& channel,
                       scene::Envelope& envelope, EditorDialog& dialog);

    const EnvelopeChannel& channel() const { return m_channel; }
    scene::Envelope& envelope() const { return m_envelope; }
    EnvelopeGraph* graph() const { return m_graph; }
    float current_time() const;

  protected:
    void create_page_controls() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void update_display();
    void create_key();
    void delete_key();
    void go_to_key(int index);
    void edit_left(QLineEdit* edit);
    void load_file();
    void save_file();
    void graph_pressed(GraphPoint point);
    void graph_moved(GraphPoint point);
    void graph_released(GraphPoint point);
    QString value_text(double value) const;

    EnvelopeChannel m_channel;
    scene::Envelope& m_envelope;
    EditorDialog& m_dialog;
    EnvelopeGraph* m_graph = nullptr;
    QSlider* m_time = nullptr;
    QLabel* m_time_text = nullptr;
    QGroupBox* m_value_box = nullptr;
    QLineEdit* m_value = nullptr;
    QLineEdit* m_tension = nullptr;
    QLineEdit* m_continuity = nullptr;
    QLineEdit* m_bias = nullptr;
    QCheckBox* m_linear = nullptr;
    int m_dragged = -1;
    bool m_updating = false;
};

class EnvelopeEditor : public EditorDialog {
    Q_OBJECT

  public:
    EnvelopeEditor(SelectionSession& session, const EnvelopeChannel& channel,
                   scene::Envelope& envelope, QWidget* parent);
    EnvelopeEditorPage* editor_page() const { return m_editor_page; }

  private:
    EnvelopeEditorPage* m_editor_page;
};

// Opens the editor for `channel` over the session's record (finding or
// making its envelope) and applies how it ended. Nothing, after the message
// "Error creating envelope", when the envelope could not be made.
std::optional<EditorEnd> run_envelope_editor(SelectionSession& session,
                                             const EnvelopeChannel& channel, QWidget* parent);

}  // namespace kdr::gui
