// Compiled with `g++ -m32 -fsyntax-only` by the test script: on a 32-bit x86
// build the records must have exactly the sizes and offsets that hosts and
// stored data rely on.
#include <cstddef>

#include "kaleidra/records/layout.h"

#if defined(__i386__)
using kdr::EffectSettings;
using kdr::FrameRecord;
using kdr::ImageRecord;

static_assert(sizeof(ImageRecord) == 84);
static_assert(offsetof(ImageRecord, name) == 0);
static_assert(offsetof(ImageRecord, format) == 4);
static_assert(offsetof(ImageRecord, row_order) == 5);
static_assert(offsetof(ImageRecord, bytes_per_pixel) == 6);
static_assert(offsetof(ImageRecord, alignment) == 7);
static_assert(offsetof(ImageRecord, width) == 8);
static_assert(offsetof(ImageRecord, height) == 12);
static_assert(offsetof(ImageRecord, row_length) == 16);
static_assert(offsetof(ImageRecord, stored_rows) == 20);
static_assert(offsetof(ImageRecord, skip_rows) == 24);
static_assert(offsetof(ImageRecord, skip_pixels) == 28);
static_assert(offsetof(ImageRecord, bias) == 32);
static_assert(offsetof(ImageRecord, offset) == 48);
static_assert(offsetof(ImageRecord, buffer) == 52);
static_assert(offsetof(ImageRecord, owns) == 56);
static_assert(offsetof(ImageRecord, texture_width) == 60);
static_assert(offsetof(ImageRecord, texture_height) == 64);
static_assert(offsetof(ImageRecord, width_ratio) == 68);
static_assert(offsetof(ImageRecord, height_ratio) == 72);
static_assert(offsetof(ImageRecord, stride) == 76);
static_assert(offsetof(ImageRecord, size) == 80);

static_assert(sizeof(EffectSettings) == 1144);
static_assert(offsetof(EffectSettings, name) == 0);
static_assert(offsetof(EffectSettings, padding) == 41);
static_assert(offsetof(EffectSettings, globals) == 44);
static_assert(offsetof(EffectSettings, globals) + 4 * kdr::global_light_direction == 88);
static_assert(offsetof(EffectSettings, globals) + 4 * kdr::global_filter_distance == 128);
static_assert(offsetof(EffectSettings, video_values) == 164);
static_assert(offsetof(EffectSettings, scene_storage) == 964);

static_assert(sizeof(FrameRecord) == 1836);
static_assert(offsetof(FrameRecord, width) == 0);
static_assert(offsetof(FrameRecord, height) == 4);
static_assert(offsetof(FrameRecord, image_count) == 8);
static_assert(offsetof(FrameRecord, images) == 12);
static_assert(offsetof(FrameRecord, output) == 1692);
static_assert(offsetof(FrameRecord, position) == 1776);
static_assert(offsetof(FrameRecord, total) == 1780);
static_assert(offsetof(FrameRecord, progress) == 1784);
static_assert(offsetof(FrameRecord, abort) == 1788);
static_assert(offsetof(FrameRecord, completion) == 1792);
static_assert(offsetof(FrameRecord, aspect) == 1796);
static_assert(offsetof(FrameRecord, background) == 1800);
static_assert(offsetof(FrameRecord, quiet) == 1816);
static_assert(offsetof(FrameRecord, engine_scratch) == 1820);
static_assert(offsetof(FrameRecord, flags) == 1824);
static_assert(offsetof(FrameRecord, highlighted_id) == 1828);
static_assert(offsetof(FrameRecord, device_context) == 1832);
#else
// On other targets only the pointer-free record keeps its exact size.
static_assert(sizeof(kdr::EffectSettings) == 1144);
static_assert(offsetof(kdr::EffectSettings, scene_storage) == 964);
#endif
