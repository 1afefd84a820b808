#pragma once
// A picture held in an image record (the effects' icons) as a Qt picture.

#include <QImage>

#include "kaleidra/records/layout.h"

namespace kdr::gui {

// Reads every pixel through the record's own geometry (format, row order,
// stride, skips), so any of the system's layouts converts; a record without
// pixels, of a layout the records do not define, whose geometry reaches
// past its buffer, or larger than 4096 pixels a side gives a null picture.
QImage record_to_image(const ImageRecord& image);

}  // namespace kdr::gui
