// The library's two exports: thin C wrappers over the dialogs.
#include "kaleidra/gui/selection.h"
#include "kaleidra/kdrgui.h"

extern "C" {

__attribute__((visibility("default"))) std::int16_t KDRGUI_Select(KdrOwnerWindow owner,
                                                                  kdr::EffectSettings* settings,
                                                                  std::int32_t filter_mode) {
    return static_cast<std::int16_t>(kdr::gui::select_effect(owner, settings, filter_mode));
}

__attribute__((visibility("default"))) std::int16_t KDRGUI_About(KdrOwnerWindow owner,
                                                                 const char* title,
                                                                 const char* release) {
    return static_cast<std::int16_t>(kdr::gui::show_about(owner, title, release));
}

}  // extern "C"
