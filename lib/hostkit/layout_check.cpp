// The host records at the hosts' byte positions. Compiled into the library
// on every build (the x86-64 positions the headers state) and with
// `g++ -m32 -fsyntax-only` by the test hostkit_layout_32bit (the hosts' own
// 32-bit positions).
#include <cstddef>

#include "kaleidra/hostkit/aftereffects_records.h"
#include "kaleidra/hostkit/photoshop_records.h"
#include "kaleidra/hostkit/pi_records.h"
#include "kaleidra/hostkit/premiere_records.h"
#include "kaleidra/hostkit/speedrazor_records.h"
#include "kaleidra/hostkit/vxdll_records.h"

namespace kdr::hostkit {

#if defined(__i386__)
static_assert(offsetof(PremiereEffectRecord, specification) == 0);
static_assert(offsetof(PremiereEffectRecord, source_a) == 4);
static_assert(offsetof(PremiereEffectRecord, source_b) == 8);
static_assert(offsetof(PremiereEffectRecord, destination) == 12);
static_assert(offsetof(PremiereEffectRecord, part) == 16);
static_assert(offsetof(PremiereEffectRecord, total) == 20);
static_assert(offsetof(PremiereEffectRecord, field_bits) == 66);
static_assert(sizeof(PremiereEffectRecord) == 68);

static_assert(offsetof(PremierePixelMap, left) == 0);
static_assert(offsetof(PremierePixelMap, top) == 4);
static_assert(offsetof(PremierePixelMap, right) == 8);
static_assert(offsetof(PremierePixelMap, bottom) == 12);
static_assert(offsetof(PremierePixelMap, row_bytes) == 16);
static_assert(offsetof(PremierePixelMap, pixels) == 28);
static_assert(sizeof(PremierePixelMap) == 32);

static_assert(offsetof(PremiereVideoRecord, source) == 4);
static_assert(offsetof(PremiereVideoRecord, destination) == 8);
static_assert(offsetof(PremiereVideoRecord, part) == 12);
static_assert(offsetof(PremiereVideoRecord, field_byte) == 36);
static_assert(sizeof(PremiereVideoRecord) == 40);

static_assert(offsetof(SpeedRazorRecord, settings) == 4);
static_assert(offsetof(SpeedRazorRecord, source_a) == 16);
static_assert(offsetof(SpeedRazorRecord, source_b) == 20);
static_assert(offsetof(SpeedRazorRecord, destination) == 416);
static_assert(offsetof(SpeedRazorRecord, height) == 420);
static_assert(offsetof(SpeedRazorRecord, width) == 424);
static_assert(offsetof(SpeedRazorRecord, part) == 428);
static_assert(offsetof(SpeedRazorRecord, total) == 432);
static_assert(offsetof(SpeedRazorRecord, final_render) == 452);
static_assert(offsetof(SpeedRazorRecord, flags) == 456);
static_assert(offsetof(SpeedRazorRecord, window) == 460);
static_assert(offsetof(SpeedRazorRecord, host_folder) == 468);
static_assert(sizeof(SpeedRazorRecord) == 728);

static_assert(offsetof(SpeedRazorInformation, value_0) == 0);
static_assert(offsetof(SpeedRazorInformation, value_4) == 4);
static_assert(offsetof(SpeedRazorInformation, name) == 8);
static_assert(offsetof(SpeedRazorInformation, description) == 12);
static_assert(offsetof(SpeedRazorInformation, value_16) == 16);
static_assert(offsetof(SpeedRazorInformation, value_20) == 20);
static_assert(offsetof(SpeedRazorInformation, has_icon) == 24);
static_assert(offsetof(SpeedRazorInformation, icon) == 28);
static_assert(offsetof(SpeedRazorInformation, reserved) == 32);
static_assert(offsetof(SpeedRazorInformation, value_60) == 60);
static_assert(sizeof(SpeedRazorInformation) == 64);

static_assert(offsetof(AeInRecord, utilities) == 88);
static_assert(offsetof(AeInRecord, effect_ref) == 92);
static_assert(offsetof(AeInRecord, current_time) == 128);
static_assert(offsetof(AeInRecord, time_step) == 132);
static_assert(offsetof(AeInRecord, total_time) == 136);
static_assert(offsetof(AeInRecord, time_scale) == 144);
static_assert(offsetof(AeInRecord, sequence_data) == 220);
static_assert(sizeof(AeInRecord) == 228);
static_assert(offsetof(AeOutRecord, num_params) == 40);
static_assert(offsetof(AeOutRecord, sequence_data) == 44);
static_assert(offsetof(AeOutRecord, out_flags) == 72);
static_assert(sizeof(AeOutRecord) == 332);
static_assert(offsetof(AeLayer, data) == 12);
static_assert(offsetof(AeLayer, row_bytes) == 16);
static_assert(offsetof(AeLayer, width) == 20);
static_assert(offsetof(AeLayer, height) == 24);
static_assert(offsetof(AeLayer, default_layer) == 80);
static_assert(sizeof(AeLayer) == 84);
static_assert(offsetof(AeFixedSlider, valid_min) == 68);
static_assert(offsetof(AeFixedSlider, precision) == 88);
static_assert(sizeof(AeFixedSlider) == 92);
static_assert(offsetof(AeParam, param_type) == 12);
static_assert(offsetof(AeParam, name) == 16);
static_assert(offsetof(AeParam, u) == 56);
static_assert(sizeof(AeParam) == 148);
static_assert(offsetof(AeUtilities, new_handle) == 80);
static_assert(offsetof(AeUtilities, dispose_handle) == 92);
static_assert(sizeof(AeUtilities) == 96);

static_assert(offsetof(PsFilterRecord, abort_proc) == 4);
static_assert(offsetof(PsFilterRecord, progress_proc) == 8);
static_assert(offsetof(PsFilterRecord, parameters) == 12);
static_assert(offsetof(PsFilterRecord, planes) == 20);
static_assert(offsetof(PsFilterRecord, filter_rect) == 24);
static_assert(offsetof(PsFilterRecord, background) == 40);
static_assert(offsetof(PsFilterRecord, in_rect) == 72);
static_assert(offsetof(PsFilterRecord, in_lo_plane) == 88);
static_assert(offsetof(PsFilterRecord, out_rect) == 92);
static_assert(offsetof(PsFilterRecord, out_lo_plane) == 108);
static_assert(offsetof(PsFilterRecord, in_data) == 112);
static_assert(offsetof(PsFilterRecord, in_row_bytes) == 116);
static_assert(offsetof(PsFilterRecord, out_data) == 120);
static_assert(offsetof(PsFilterRecord, out_row_bytes) == 124);
static_assert(offsetof(PsFilterRecord, mask_rect) == 132);
static_assert(offsetof(PsFilterRecord, mask_data) == 148);
static_assert(offsetof(PsFilterRecord, mask_row_bytes) == 152);
static_assert(offsetof(PsFilterRecord, max_space) == 164);
static_assert(offsetof(PsFilterRecord, buffer_space) == 168);
static_assert(offsetof(PsFilterRecord, advance_state_proc) == 172);
static_assert(offsetof(PsFilterRecord, in_column_bytes) == 176);
static_assert(offsetof(PsFilterRecord, out_column_bytes) == 180);
static_assert(offsetof(PsFilterRecord, platform_data) == 188);
static_assert(offsetof(PsFilterRecord, in_layer_planes) == 192);
static_assert(offsetof(PsFilterRecord, out_layer_planes) == 202);
static_assert(sizeof(PsFilterRecord) == 212);
static_assert(sizeof(PsAboutRecord) == 16);
#elif defined(__x86_64__)
static_assert(offsetof(PremiereEffectRecord, source_a) == 8);
static_assert(offsetof(PremiereEffectRecord, source_b) == 16);
static_assert(offsetof(PremiereEffectRecord, destination) == 24);
static_assert(offsetof(PremiereEffectRecord, part) == 32);
static_assert(offsetof(PremiereEffectRecord, total) == 36);
static_assert(offsetof(PremiereEffectRecord, field_bits) == 82);
static_assert(sizeof(PremiereEffectRecord) == 88);

static_assert(offsetof(PremierePixelMap, row_bytes) == 16);
static_assert(offsetof(PremierePixelMap, pixels) == 32);
static_assert(sizeof(PremierePixelMap) == 40);

static_assert(offsetof(PremiereVideoRecord, source) == 8);
static_assert(offsetof(PremiereVideoRecord, destination) == 16);
static_assert(offsetof(PremiereVideoRecord, part) == 24);
static_assert(offsetof(PremiereVideoRecord, field_byte) == 48);
static_assert(sizeof(PremiereVideoRecord) == 56);

static_assert(offsetof(SpeedRazorRecord, settings) == 8);
static_assert(offsetof(SpeedRazorRecord, source_a) == 24);
static_assert(offsetof(SpeedRazorRecord, source_b) == 32);
static_assert(offsetof(SpeedRazorRecord, destination) == 432);
static_assert(offsetof(SpeedRazorRecord, height) == 440);
static_assert(offsetof(SpeedRazorRecord, width) == 444);
static_assert(offsetof(SpeedRazorRecord, part) == 448);
static_assert(offsetof(SpeedRazorRecord, total) == 452);
static_assert(offsetof(SpeedRazorRecord, final_render) == 472);
static_assert(offsetof(SpeedRazorRecord, flags) == 476);
static_assert(offsetof(SpeedRazorRecord, window) == 480);
static_assert(offsetof(SpeedRazorRecord, host_folder) == 492);
static_assert(sizeof(SpeedRazorRecord) == 752);

static_assert(offsetof(SpeedRazorInformation, name) == 8);
static_assert(offsetof(SpeedRazorInformation, description) == 16);
static_assert(offsetof(SpeedRazorInformation, has_icon) == 32);
static_assert(offsetof(SpeedRazorInformation, icon) == 40);
static_assert(offsetof(SpeedRazorInformation, reserved) == 48);
static_assert(offsetof(SpeedRazorInformation, value_60) == 76);
static_assert(sizeof(SpeedRazorInformation) == 80);
static_assert(offsetof(AeInRecord, utilities) == 176);
static_assert(offsetof(AeInRecord, effect_ref) == 184);
static_assert(offsetof(AeInRecord, current_time) == 224);
static_assert(offsetof(AeInRecord, time_step) == 228);
static_assert(offsetof(AeInRecord, total_time) == 232);
static_assert(offsetof(AeInRecord, time_scale) == 240);
static_assert(offsetof(AeInRecord, sequence_data) == 320);
static_assert(sizeof(AeInRecord) == 336);
static_assert(offsetof(AeOutRecord, num_params) == 48);
static_assert(offsetof(AeOutRecord, sequence_data) == 56);
static_assert(offsetof(AeOutRecord, out_flags) == 96);
static_assert(sizeof(AeOutRecord) == 360);
static_assert(offsetof(AeLayer, data) == 24);
static_assert(offsetof(AeLayer, row_bytes) == 32);
static_assert(offsetof(AeLayer, width) == 36);
static_assert(offsetof(AeLayer, height) == 40);
static_assert(offsetof(AeLayer, default_layer) == 104);
static_assert(sizeof(AeLayer) == 112);
static_assert(offsetof(AeParam, u) == 56);
static_assert(sizeof(AeParam) == 168);
static_assert(offsetof(AeUtilities, new_handle) == 160);
static_assert(offsetof(AeUtilities, dispose_handle) == 184);
static_assert(sizeof(AeUtilities) == 192);

static_assert(offsetof(PsFilterRecord, abort_proc) == 8);
static_assert(offsetof(PsFilterRecord, progress_proc) == 16);
static_assert(offsetof(PsFilterRecord, parameters) == 24);
static_assert(offsetof(PsFilterRecord, planes) == 36);
static_assert(offsetof(PsFilterRecord, filter_rect) == 40);
static_assert(offsetof(PsFilterRecord, background) == 56);
static_assert(offsetof(PsFilterRecord, in_rect) == 92);
static_assert(offsetof(PsFilterRecord, in_lo_plane) == 108);
static_assert(offsetof(PsFilterRecord, out_rect) == 112);
static_assert(offsetof(PsFilterRecord, out_lo_plane) == 128);
static_assert(offsetof(PsFilterRecord, in_data) == 136);
static_assert(offsetof(PsFilterRecord, in_row_bytes) == 144);
static_assert(offsetof(PsFilterRecord, out_data) == 152);
static_assert(offsetof(PsFilterRecord, out_row_bytes) == 160);
static_assert(offsetof(PsFilterRecord, mask_rect) == 168);
static_assert(offsetof(PsFilterRecord, mask_data) == 184);
static_assert(offsetof(PsFilterRecord, mask_row_bytes) == 192);
static_assert(offsetof(PsFilterRecord, max_space) == 204);
static_assert(offsetof(PsFilterRecord, buffer_space) == 208);
static_assert(offsetof(PsFilterRecord, advance_state_proc) == 216);
static_assert(offsetof(PsFilterRecord, in_column_bytes) == 224);
static_assert(offsetof(PsFilterRecord, out_column_bytes) == 228);
static_assert(offsetof(PsFilterRecord, platform_data) == 240);
static_assert(offsetof(PsFilterRecord, in_layer_planes) == 248);
static_assert(offsetof(PsFilterRecord, out_layer_planes) == 258);
static_assert(sizeof(PsFilterRecord) == 272);
static_assert(sizeof(PsAboutRecord) == 24);
#endif

// The vxDLL and PI_ hosts' records.
static_assert(offsetof(VxBitmapHeader, width) == 4);
static_assert(offsetof(VxBitmapHeader, height) == 8);
static_assert(sizeof(VxBitmapHeader) == 40);
static_assert(offsetof(VxEffectInfo, name) == 45);
static_assert(offsetof(VxEffectInfo, description) == 65);
static_assert(offsetof(VxEffectInfo, value_196) == 196);
static_assert(offsetof(VxEffectInfo, value_212) == 212);
static_assert(offsetof(VxEffectInfo, value_220) == 220);
static_assert(offsetof(VxEffectInfo, value_248) == 248);
static_assert(offsetof(VxEffectInfo, value_260) == 260);
static_assert(offsetof(VxEffectInfo, value_264) == 264);
static_assert(sizeof(VxEffectInfo) == 268);
static_assert(offsetof(PiPluginInfo, value_4) == 4);
static_assert(offsetof(PiPluginInfo, value_8) == 8);
static_assert(offsetof(PiPluginInfo, value_9) == 9);
static_assert(offsetof(PiPluginInfo, value_12) == 12);
static_assert(offsetof(PiPluginInfo, value_16) == 16);
static_assert(offsetof(PiPluginInfo, title) == 20);
static_assert(offsetof(PiPluginInfo, name) == 52);
static_assert(offsetof(PiPluginInfo, description) == 84);
static_assert(offsetof(PiPluginInfo, value_340) == 340);
static_assert(offsetof(PiPluginInfo, value_352) == 352);
static_assert(offsetof(PiPluginInfo, value_356) == 356);
static_assert(offsetof(PiPluginInfo, value_360) == 360);
static_assert(offsetof(PiPluginInfo, value_361) == 361);
static_assert(sizeof(PiPluginInfo) == 364);
static_assert(offsetof(PiTrack, height) == 4);
static_assert(offsetof(PiTrack, width) == 8);
static_assert(offsetof(PiFrameRequest, flag) == 4);
static_assert(offsetof(PiFrameRequest, frame) == 12);
static_assert(offsetof(PiFrameRequest, number) == 16);
#if defined(__i386__)
static_assert(offsetof(Vx5SetupRecord, number) == 20);
static_assert(offsetof(Vx5RenderRecord, output_pixels) == 4);
static_assert(offsetof(Vx5RenderRecord, a_header) == 8);
static_assert(offsetof(Vx5RenderRecord, a_pixels) == 12);
static_assert(offsetof(Vx5RenderRecord, b_header) == 16);
static_assert(offsetof(Vx5RenderRecord, b_pixels) == 20);
static_assert(offsetof(Vx5RenderRecord, completion) == 52);
static_assert(offsetof(Vx5RenderRecord, x_offset) == 56);
static_assert(offsetof(Vx5RenderRecord, y_offset) == 60);
static_assert(offsetof(Vx5RenderRecord, width) == 64);
static_assert(offsetof(Vx5RenderRecord, height) == 68);
static_assert(offsetof(Vx5RenderRecord, number) == 76);
static_assert(sizeof(Vx5RenderRecord) == 80);
static_assert(offsetof(PiBuffers, b) == 4);
static_assert(offsetof(PiBuffers, output) == 8);
#elif defined(__x86_64__)
static_assert(offsetof(Vx5SetupRecord, number) == 24);
static_assert(offsetof(Vx5RenderRecord, output_pixels) == 8);
static_assert(offsetof(Vx5RenderRecord, b_pixels) == 40);
static_assert(offsetof(Vx5RenderRecord, completion) == 76);
static_assert(offsetof(Vx5RenderRecord, x_offset) == 80);
static_assert(offsetof(Vx5RenderRecord, y_offset) == 84);
static_assert(offsetof(Vx5RenderRecord, width) == 88);
static_assert(offsetof(Vx5RenderRecord, height) == 92);
static_assert(offsetof(Vx5RenderRecord, number) == 104);
static_assert(sizeof(Vx5RenderRecord) == 112);
static_assert(offsetof(PiBuffers, b) == 8);
static_assert(offsetof(PiBuffers, output) == 16);
#endif

}  // namespace kdr::hostkit
