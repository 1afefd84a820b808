#include "kaleidra/editor/source_pictures.h"

#include <algorithm>
#include <utility>

#include "kaleidra/editor/item_opening.h"
#include "kaleidra/records/image_record.h"

namespace kdr::editor {

SourcePictures::SourcePictures(std::filesystem::path base) : m_base(std::move(base)) {}

SourcePictures::~SourcePictures() {
    release();
}

const ImageRecord* SourcePictures::picture(const TimelineItem& item, std::int64_t index,
                                           int buffer) {
    if (item.kind != ItemKind::video) {
        return image_has_pixels(item.image()) ? &item.image() : nullptr;
    }
    std::unique_ptr<Clip>& clip = m_clips[&item];
    if (!clip) {
        clip = std::make_unique<Clip>();
        image_construct(clip->pictures[0]);
        image_construct(clip->pictures[1]);
    }
    ImageRecord& target = clip->pictures[buffer];
    const auto frame = static_cast<std::uint32_t>(std::clamp<std::int64_t>(index, 0, UINT32_MAX));
    Status loaded =
        clip->video.load(target, item_path(item.file_name, m_base).string(), mapped_avi, frame);
    if (loaded) {
        clip->last_read = buffer;
        return &target;
    }
    if (!clip->warned) {
        clip->warned = true;
        m_notices.push_back("cannot read frame " + std::to_string(frame) + " of " + item.file_name +
                            " (" + loaded.error() + "); its last picture stays in its place");
    }
    if (clip->last_read == 1 - buffer) {
        // The other buffer will be read into next; this one takes a copy.
        if (!image_deep_copy(target, clip->pictures[1 - buffer])) {
            return nullptr;
        }
        clip->last_read = buffer;
    }
    if (clip->last_read == buffer) {
        return &target;
    }
    return image_has_pixels(item.image()) ? &item.image() : nullptr;
}

std::vector<std::string> SourcePictures::take_notices() {
    return std::exchange(m_notices, {});
}

void SourcePictures::release() {
    for (auto& [item, clip] : m_clips) {
        clip->video.close();
        image_release_all(clip->pictures[0]);
        image_release_all(clip->pictures[1]);
    }
    m_clips.clear();
}

}  // namespace kdr::editor
