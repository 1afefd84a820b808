#pragma once
// One KDRGUI_Select call: the host's record that every page edits in place,
// the backup copy that Cancel writes back, the preview snapshot that change
// detection compares against, the preferences, the preview renderer, the
// selected effect and the pages. Lives on the GUI thread for the length of
// the call; the renderer's thread never sees it.

#include <memory>
#include <string>
#include <vector>

#include "kaleidra/gui/preferences.h"
#include "kaleidra/gui/preview_renderer.h"
#include "kaleidra/records/layout.h"
#include "kaleidra/scene/scene.h"

namespace kdr::gui {

class OptionPage;

// The effect shown on the FX page, loaded in full from its file; its name,
// description, video names, best frame and type serve every page.
struct SelectedEffect {
    std::string name;  // the effect file's name, as in the catalogue
    Scene scene;
    bool loaded = false;
};

// A settings record that is destroyed with its owner.
class OwnedRecord {
  public:
    OwnedRecord();
    ~OwnedRecord();
    OwnedRecord(const OwnedRecord&) = delete;
    OwnedRecord& operator=(const OwnedRecord&) = delete;
    EffectSettings& get() { return m_record; }
    const EffectSettings& get() const { return m_record; }

  private:
    EffectSettings m_record;
};

class SelectionSession {
  public:
    // Copies `record` into the backup, reads the preferences (as the
    // Settings page object does when it is made) and starts the preview
    // renderer.
    SelectionSession(EffectSettings& record, bool filter_mode);
    ~SelectionSession();
    SelectionSession(const SelectionSession&) = delete;
    SelectionSession& operator=(const SelectionSession&) = delete;

    EffectSettings& record() { return m_record; }
    bool filter_mode() const { return m_filter_mode; }
    UiPreferences& preferences() { return m_preferences; }
    SelectedEffect& selected() { return m_selected; }

    // Null when it could not be made.
    PreviewRenderer* renderer() { return m_renderer.get(); }
    // Destroys the renderer and makes a new one from the registry's
    // "Prev_Quality" and "Prev_Frames"; with `render_now`, it renders at
    // once when "Automatic Preview Render" is on.
    void recreate_renderer(bool render_now);

    // Compares the record with the preview snapshot; when they differ, takes
    // a new snapshot and, with "Automatic Preview Render" on, starts a new
    // render (stopping one in progress first).
    void detect_changes();
    // The Render button: stops a render in progress, otherwise asks for one.
    void render_button();
    void request_preview();

    bool cancelled() const { return m_cancelled; }
    void set_cancelled() { m_cancelled = true; }
    // Writes the backup copy back into the host's record.
    void restore_backup();

    OptionPage* current_page() const { return m_current_page; }
    void set_current_page(OptionPage* page) { m_current_page = page; }

    // The pages, in the sheet's order; they belong to the sheet.
    void add_page(OptionPage* page) { m_pages.push_back(page); }
    const std::vector<OptionPage*>& pages() const { return m_pages; }
    // The selected effect changed: every page that exists refreshes what
    // depends on it.
    void effect_changed();

  private:
    EffectSettings& m_record;
    bool m_filter_mode;
    OwnedRecord m_backup;
    OwnedRecord m_snapshot;
    UiPreferences m_preferences;
    SelectedEffect m_selected;
    std::unique_ptr<PreviewRenderer> m_renderer;
    bool m_cancelled = false;
    OptionPage* m_current_page = nullptr;
    std::vector<OptionPage*> m_pages;
};

}  // namespace kdr::gui
