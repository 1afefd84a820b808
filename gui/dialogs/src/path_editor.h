#pragma once
// The path editor (dialog 121): the path of one object of the selected
// effect, for this record only, edited in place in the record's own paths
// (so the preview follows). The view is drawn by the preview engine as a
// layout preview (camera, perspective, top or side) into the view frame's
// output image after every change; keys are moved, turned and stretched
// by dragging anywhere in the window with the left or right button, or
// typed in. "Ok" keeps the path, "Cancel" puts the whole record back as it
// was when the editor opened, "Remove" drops the record's path so the
// effect's own applies again. The engine is loaded when the page is made
// and released when it goes; without it the view stays empty and editing
// still works.

#include <QPoint>

#include <cstdint>
#include <memory>
#include <vector>

#include "editor_dialog.h"
#include "kaleidra/gui/path_editing.h"
#include "kaleidra/records/layout.h"
#include "option_page.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace kdr {
struct RenderContext;
}
namespace kdr::host {
class EngineBinding;
}

namespace kdr::gui {

class LayoutView;

class PathEditorPage : public OptionPage {
    Q_OBJECT

  public:
    PathEditorPage(SelectionSession& session, std::uint16_t object_id, scene::Path& path,
                   EditorDialog& dialog);
    ~PathEditorPage() override;

    scene::Path& path() const { return m_path; }
    LayoutView* view() const { return m_view; }
    std::uint32_t view_bits() const { return m_view_bits; }
    PathTool tool() const { return m_tool; }
    bool dragging() const { return m_dragging; }
    bool engine_ready() const { return m_context != nullptr; }
    // Times the view was drawn by the engine.
    int views_drawn() const { return m_views_drawn; }
    const FrameRecord& view_frame() const { return m_frame; }
    float current_time() const;

  protected:
    void create_page_controls() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void prepare_view();
    void draw_view();
    void update_display();
    bool create_key();
    void delete_key();
    void copy_key();
    void go_to_key(int index);
    void edit_left(QLineEdit* edit);
    void load_file();
    void save_file();
    void drag_to(const QPointF& global, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void show_key_values(ChangedValues changed);

    std::uint16_t m_object_id;
    scene::Path& m_path;
    EditorDialog& m_dialog;
    LayoutView* m_view = nullptr;
    QSlider* m_time = nullptr;
    QLabel* m_time_text = nullptr;
    QGroupBox* m_values_box = nullptr;
    QLineEdit* m_values[9] = {};  // position, rotation, scale
    QLineEdit* m_tension = nullptr;
    QLineEdit* m_continuity = nullptr;
    QLineEdit* m_bias = nullptr;
    QCheckBox* m_linear = nullptr;

    std::uint32_t m_view_bits = view_camera;
    PathTool m_tool = PathTool::move;
    AxisFlags m_axes;
    bool m_dragging = false;
    int m_dragged = -1;
    QPointF m_last;
    bool m_updating = false;

    std::unique_ptr<host::EngineBinding> m_engine;
    RenderContext* m_context = nullptr;
    FrameRecord m_frame;
    std::vector<std::uint8_t> m_output;
    int m_views_drawn = 0;
};

class PathEditor : public EditorDialog {
    Q_OBJECT

  public:
    PathEditor(SelectionSession& session, std::uint16_t object_id, scene::Path& path,
               QWidget* parent);
    PathEditorPage* editor_page() const { return m_editor_page; }

  private:
    PathEditorPage* m_editor_page;
};

// The Objects page's "&Path Editor" for its group o: finds the object and
// its path, runs the editor with the fly direction held at fly-off, and
// applies how it ended. False when the effect has no object with a path
// for that video (the editor does not open).
bool run_path_editor(SelectionSession& session, int group, QWidget* parent);

}  // namespace kdr::gui
