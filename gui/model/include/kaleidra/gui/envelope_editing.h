#pragma once
// The envelope editor's work without widgets: finding or making the
// envelope a channel edits in the record, ending an editing session, the
// key operations, what the key display shows, and how a point of the graph
// becomes a time and a value.
//
// Times the editor works at are whole hundredths (the time trackbar's
// position / 100, as a float), so "a key sits at t" compares exactly.
// GUI thread; the record is edited in place.

#include <cstdint>
#include <optional>
#include <vector>

#include "kaleidra/gui/envelope_channel.h"
#include "kaleidra/records/layout.h"
#include "kaleidra/scene/items.h"

namespace kdr {
class Scene;
}

namespace kdr::gui {

// How an editor ended: "&OK", "&Cancel" or "&Remove".
enum class EditorEnd : int { ok = 0, cancel = 1, remove = 2 };

// One opening of the editor on one envelope of the record.
struct EnvelopeSession {
    scene::Envelope* envelope = nullptr;  // the record's own entry
    bool created = false;                 // made (or copied from the effect) by this opening
    std::vector<EnvelopeKey> backup;      // the keys as they were
};

// Finds the record's envelope with the channel's link id and parameter;
// for a morph channel (link id not 0) copies the effect's own envelope of
// that object (same id) into the record; otherwise makes one. A new
// envelope's id is one more than the last envelope's of the record's list
// (40001 for an empty list), passed on to the next free id when the record
// or the effect already has an envelope of that id (the engines replace an
// effect's envelope by the user's of the same id). An envelope without keys
// gets two, at 0 and 1, at the channel's current value. Nothing when
// memory runs out.
std::optional<EnvelopeSession> open_envelope(EffectSettings& record, const EnvelopeChannel& channel,
                                             const Scene* effect);

// OK keeps the envelope; Cancel puts the keys back and removes an envelope
// this opening made; Remove removes the envelope from the record.
void end_envelope(EffectSettings& record, const EnvelopeSession& session, EditorEnd end);

// The id a new envelope gets (see open_envelope).
std::uint16_t new_envelope_id(const Scene& user, const Scene* effect);

// The editor's time of trackbar position `percent`.
float time_of_percent(int percent);

// Key operations on keys kept in time order.
int envelope_key_at(const std::vector<EnvelopeKey>& keys, float time);  // exactly; -1 none
// Replaces the key at the key's time, or inserts it after any keys of
// smaller or equal time; returns its index.
int put_envelope_key(std::vector<EnvelopeKey>& keys, const EnvelopeKey& key);
bool remove_envelope_key(std::vector<EnvelopeKey>& keys, float time);
// The first key more than 0.001 after `time`, the last more than 0.001
// before it; -1 when there is none.
int next_envelope_key(const std::vector<EnvelopeKey>& keys, float time);
int previous_envelope_key(const std::vector<EnvelopeKey>& keys, float time);

// What the key display shows at time t.
struct EnvelopeKeyDisplay {
    float value = 0;
    float tension = 0;
    float continuity = 0;
    float bias = 0;
    bool linear = false;
    bool key_here = false;
    bool previous_enabled = true;
    bool next_enabled = true;
    bool create_enabled = true;
    bool delete_enabled = false;
};
EnvelopeKeyDisplay envelope_key_display(const std::vector<EnvelopeKey>& keys, float time);

// A point of the graph of `width` x `height` pixels (x to the right from
// its left edge, y down from its top edge) as a time and a value: the time
// is x as a whole percentage of the width; the value, for percent
// channels, y as a whole percentage of the height counted from the bottom
// (where the minimum is drawn), else min + (height - y) / height x range
// rounded to a whole multiple of the channel's step.
struct GraphPoint {
    float time = 0;
    float value = 0;
};
GraphPoint graph_point(const EnvelopeChannel& channel, double x, double y, double width,
                       double height);

// The pixel row of `value` in a graph whose bottom row is `bottom` and
// whose height is `height`.
int graph_row(const EnvelopeChannel& channel, double value, int bottom, int height);

// A press on the graph at `point`: a key within 0.03 in time and closer in
// value than 5 percent of the range takes the point's value; otherwise,
// when no key sits exactly at the point's time, a key is made there with
// the point's value and the last key's tension, continuity, bias and
// linear flag. Returns the index of the key to drag, or -1 (a key sits at
// the time and is not near in value: nothing happens).
int press_on_graph(std::vector<EnvelopeKey>& keys, const EnvelopeChannel& channel,
                   GraphPoint point);

// Whether `value` may be keyed on the channel.
bool value_in_channel(const EnvelopeChannel& channel, double value);

}  // namespace kdr::gui
