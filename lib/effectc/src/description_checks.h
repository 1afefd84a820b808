#pragma once
// The checks a whole description must pass once it is read: ids, references
// between items, morph targets, videos and header values.

#include <stdexcept>

#include "kaleidra/effectc/description.h"

namespace kdr::effectc {

class DescriptionError : public std::runtime_error {
  public:
    DescriptionError(SourceLocation where, const std::string& message)
        : std::runtime_error(message), where(std::move(where)) {}
    SourceLocation where;
};

// Throws DescriptionError at the first problem. Fills in the video number of
// objects that did not name one from the video surfaces their meshes use.
void check_description(EffectSource& effect);

// True when `number` addresses a settings value: 0..21, or (v + 1) * 100 + k
// with v < 20 and k < 10.
bool is_settings_parameter(int number);

}  // namespace kdr::effectc
