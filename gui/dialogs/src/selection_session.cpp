#include "selection_session.h"

#include <exception>

#include "kaleidra/install/registry_values.h"
#include "kaleidra/scene/effect_settings.h"
#include "option_page.h"

namespace kdr::gui {

OwnedRecord::OwnedRecord() {
    // Fails only when memory runs out; the record is then an empty, zeroed
    // one that every later operation accepts.
    (void)settings_initialise(m_record);
}

OwnedRecord::~OwnedRecord() {
    settings_destroy(m_record);
}

SelectionSession::SelectionSession(EffectSettings& record, bool filter_mode)
    : m_record(record), m_filter_mode(filter_mode) {
    (void)settings_copy(m_backup.get(), m_record);
    m_preferences = read_preferences();
    recreate_renderer(false);
}

SelectionSession::~SelectionSession() {
    // The renderer stops its thread before the pages go.
    m_renderer.reset();
}

void SelectionSession::recreate_renderer(bool render_now) {
    m_renderer.reset();
    const PreviewConfig config = preview_config(install::read_number("Prev_Quality"),
                                                install::read_number("Prev_Frames"), m_filter_mode);
    try {
        m_renderer = std::make_unique<PreviewRenderer>(config);
    } catch (const std::exception&) {
        // Without a renderer the sheet still runs; the previews stay empty.
        m_renderer.reset();
    }
    if (render_now && m_preferences.prev_render != 0) {
        request_preview();
    }
}

void SelectionSession::request_preview() {
    if (!m_renderer) {
        return;
    }
    PreviewSceneValues scene;
    scene.loaded = m_selected.loaded;
    scene.video_count = static_cast<int>(m_selected.scene.video_names.size());
    scene.best_frame = m_selected.scene.best_frame;
    m_renderer->request_render(m_record, scene);
}

void SelectionSession::detect_changes() {
    if (!settings_differ(m_record, m_snapshot.get())) {
        return;
    }
    (void)settings_copy(m_snapshot.get(), m_record);
    if (m_preferences.prev_render == 0 || !m_renderer) {
        return;
    }
    if (m_renderer->rendering()) {
        m_renderer->request_stop();
    }
    request_preview();
}

void SelectionSession::render_button() {
    if (!m_renderer) {
        return;
    }
    if (m_renderer->rendering()) {
        m_renderer->request_stop();
    } else {
        request_preview();
    }
}

void SelectionSession::restore_backup() {
    (void)settings_copy(m_record, m_backup.get());
}

void SelectionSession::effect_changed() {
    for (OptionPage* page : m_pages) {
        page->effect_changed();
    }
}

}  // namespace kdr::gui
