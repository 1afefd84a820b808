// kaleidra-gimp: the GIMP plug-in. GIMP runs it as a program of its own and
// talks to it through libgimp: at its query it registers the procedure
// "plug-in-kaleidra" under Filters > Render > Kaleidra 3D... for RGB and
// RGBA layers; at each run it reads the layer's selected rectangle as
// 8-bit pixels (GIMP converts images of higher precision, as it does for
// 8-bit filters), draws one frame of the effect with the render core
// (still_image.h) and writes it back through the shadow buffer, the whole
// change one undo step.
//
// Interactive runs open the selection dialog (kaleidra-select --filter)
// over the last settings used; runs with the last values reuse those;
// non-interactive runs take the effect, a settings file, the percent, the
// frame count and the layer's video as parameters.

#include <libgimp/gimp.h>

#include <cstring>
#include <string>
#include <vector>

#include "call_parameters.h"
#include "kaleidra/host/starting_settings.h"
#include "kaleidra/hostkit/stored_settings.h"
#include "kaleidra/install/registry_values.h"
#include "kaleidra/scene/effect_settings.h"
#include "selection_dialog.h"
#include "still_image.h"

namespace {

constexpr const char* procedure = "plug-in-kaleidra";

// The record's life in one run.
struct Settings {
    kdr::EffectSettings value;
    bool valid = false;
    Settings() { valid = kdr::settings_initialise(value); }
    ~Settings() {
        if (valid) {
            kdr::settings_destroy(value);
        }
    }
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;
};

void query() {
    static const GimpParamDef arguments[] = {
        {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"),
         const_cast<gchar*>("The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1) }")},
        {GIMP_PDB_IMAGE, const_cast<gchar*>("image"), const_cast<gchar*>("Input image")},
        {GIMP_PDB_DRAWABLE, const_cast<gchar*>("drawable"), const_cast<gchar*>("Input layer")},
        {GIMP_PDB_STRING, const_cast<gchar*>("effect"),
         const_cast<gchar*>("The effect's name (empty: the settings file's)")},
        {GIMP_PDB_STRING, const_cast<gchar*>("settings"),
         const_cast<gchar*>("A stored settings file (empty: the saved default options)")},
        {GIMP_PDB_FLOAT, const_cast<gchar*>("percent"),
         const_cast<gchar*>("The completion, 0 to 100")},
        {GIMP_PDB_INT32, const_cast<gchar*>("frames"),
         const_cast<gchar*>("The effect's length in frames (1 or more)")},
        {GIMP_PDB_INT32, const_cast<gchar*>("video"),
         const_cast<gchar*>("The video the layer is, 1 to 20")},
    };
    static const GimpParamDef results[] = {
        {GIMP_PDB_STRING, const_cast<gchar*>("error"), const_cast<gchar*>("Why nothing was drawn")},
    };
    gimp_install_procedure(procedure, "Renders a frame of a Kaleidra 3D effect onto the layer",
                           "Renders one frame of a Kaleidra 3D effect with the layer as one of "
                           "its videos, at a completion of a number of frames.",
                           "Kaleidra", "Kaleidra", "2026", "Kaleidra _3D...", "RGB*", GIMP_PLUGIN,
                           G_N_ELEMENTS(arguments), G_N_ELEMENTS(results), arguments, results);
    gimp_plugin_menu_register(procedure, "<Image>/Filters/Render");
}

int report_progress(int percent) {
    gimp_progress_update(percent / 100.0);
    return 0;
}

// The settings kept for the next run.
void remember(const kdr::EffectSettings& settings) {
    const std::vector<std::uint8_t> block = kdr::settings_to_block(settings);
    if (!block.empty()) {
        gimp_set_data(procedure, block.data(), static_cast<guint32>(block.size()));
    }
}

bool recall(kdr::EffectSettings& settings) {
    const gint size = gimp_get_data_size(procedure);
    if (size <= 0) {
        return false;
    }
    std::vector<std::uint8_t> block(static_cast<std::size_t>(size));
    if (!gimp_get_data(procedure, block.data())) {
        return false;
    }
    return kdr::hostkit::load_stored_settings(settings, block.data(), block.size());
}

// Draws the frame onto the layer; the message when nothing was drawn.
std::string filter_layer(gint32 drawable, const kdr::EffectSettings& settings) {
    if (!gimp_drawable_is_rgb(drawable)) {
        return "Kaleidra 3D draws on RGB layers only.";
    }
    gint x = 0;
    gint y = 0;
    gint width = 0;
    gint height = 0;
    if (!gimp_drawable_mask_intersect(drawable, &x, &y, &width, &height)) {
        return {};  // the selection leaves nothing of this layer
    }
    const gint32 image_id = gimp_item_get_image(drawable);
    const Babl* format = babl_format("R'G'B'A u8");
    const GeglRectangle rectangle = {x, y, width, height};

    kdr::gimp::StillImage image;
    image.width = width;
    image.height = height;
    image.has_alpha = gimp_drawable_has_alpha(drawable);
    image.rgba.resize(static_cast<std::size_t>(width) * height * 4);
    GeglBuffer* buffer = gimp_drawable_get_buffer(drawable);
    gegl_buffer_get(buffer, &rectangle, 1.0, format, image.rgba.data(), GEGL_AUTO_ROWSTRIDE,
                    GEGL_ABYSS_NONE);
    g_object_unref(buffer);
    if (!gimp_selection_is_empty(image_id)) {
        gint offset_x = 0;
        gint offset_y = 0;
        gimp_drawable_offsets(drawable, &offset_x, &offset_y);
        const GeglRectangle selected = {x + offset_x, y + offset_y, width, height};
        image.selection.resize(static_cast<std::size_t>(width) * height);
        GeglBuffer* mask = gimp_drawable_get_buffer(gimp_image_get_selection(image_id));
        gegl_buffer_get(mask, &selected, 1.0, babl_format("Y u8"), image.selection.data(),
                        GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
        g_object_unref(mask);
    }

    GimpRGB background;
    gimp_context_get_background(&background);
    const float colour[3] = {static_cast<float>(background.r), static_cast<float>(background.g),
                             static_cast<float>(background.b)};
    gimp_progress_init("Kaleidra 3D");
    const kdr::gimp::StillOutcome outcome =
        kdr::gimp::filter_still_image(image, settings, colour, &report_progress);
    if (!outcome.drawn) {
        return outcome.message;
    }
    gimp_image_undo_group_start(image_id);
    GeglBuffer* shadow = gimp_drawable_get_shadow_buffer(drawable);
    gegl_buffer_set(shadow, &rectangle, 0, format, image.rgba.data(), GEGL_AUTO_ROWSTRIDE);
    g_object_unref(shadow);
    gimp_drawable_merge_shadow(drawable, TRUE);
    gimp_drawable_update(drawable, x, y, width, height);
    gimp_image_undo_group_end(image_id);
    return {};
}

// The settings of this run, or the message why there are none; `cancelled`
// when the user closed the dialog.
std::string settings_for_run(gint run_mode, gint count, const GimpParam* params,
                             kdr::EffectSettings& settings, bool& cancelled) {
    cancelled = false;
    switch (run_mode) {
        case GIMP_RUN_INTERACTIVE: {
            if (!recall(settings)) {
                if (kdr::Status loaded = kdr::host::load_starting_settings(settings, {}); !loaded) {
                    return loaded.error();
                }
            }
            const kdr::gimp::DialogResult dialog =
                kdr::gimp::run_selection_dialog(settings, kdr::gimp::select_program());
            if (dialog.answer == kdr::gimp::DialogAnswer::cancelled) {
                cancelled = true;
                return {};
            }
            if (dialog.answer == kdr::gimp::DialogAnswer::failed) {
                return dialog.message;
            }
            remember(settings);
            return {};
        }
        case GIMP_RUN_WITH_LAST_VALS:
            if (!recall(settings)) {
                return "Kaleidra 3D has no last settings: run it from the menu first.";
            }
            return {};
        default: {
            if (count != 8) {
                return "plug-in-kaleidra takes 8 parameters, not " + std::to_string(count) + ".";
            }
            kdr::gimp::CallParameters call;
            call.effect = params[3].data.d_string != nullptr ? params[3].data.d_string : "";
            call.settings_file = params[4].data.d_string != nullptr ? params[4].data.d_string : "";
            call.percent = params[5].data.d_float;
            call.frames = params[6].data.d_int32;
            call.video = params[7].data.d_int32;
            if (kdr::Status status = kdr::gimp::settings_for_call(call, settings); !status) {
                return status.error();
            }
            return {};
        }
    }
}

void run(const gchar*, gint count, const GimpParam* params, gint* result_count,
         GimpParam** results) {
    static GimpParam values[2];
    static std::string error;
    *result_count = 1;
    *results = values;
    values[0].type = GIMP_PDB_STATUS;
    values[0].data.d_status = GIMP_PDB_SUCCESS;
    if (count < 3) {
        values[0].data.d_status = GIMP_PDB_CALLING_ERROR;
        return;
    }
    kdr::install::set_registry_key(kdr::install::package_registry_key);
    gegl_init(nullptr, nullptr);

    const gint run_mode = params[0].data.d_int32;
    Settings settings;
    bool cancelled = false;
    error = settings.valid ? settings_for_run(run_mode, count, params, settings.value, cancelled)
                           : "Out of memory.";
    if (cancelled) {
        values[0].data.d_status = GIMP_PDB_CANCEL;
        return;
    }
    if (error.empty()) {
        error = filter_layer(params[2].data.d_drawable, settings.value);
    }
    if (!error.empty()) {
        if (run_mode == GIMP_RUN_INTERACTIVE) {
            gimp_message(error.c_str());
        }
        values[0].data.d_status = GIMP_PDB_EXECUTION_ERROR;
        values[1].type = GIMP_PDB_STRING;
        values[1].data.d_string = error.data();
        *result_count = 2;
        return;
    }
    if (run_mode == GIMP_RUN_INTERACTIVE) {
        gimp_displays_flush();
    }
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, query, run};

MAIN()
