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

const ImageRecord* SourcePictures::picture(const TimelineItem& item, std::int64_t index) {
    if (item.kind != ItemKind::video) {
        return image_has_pixels(item.image()) ? &item.image() : nullptr;
    }
    std::unique_ptr<Clip>& clip = m_clips[&item];
    if (!clip) {
        clip = std::make_unique<Clip>();
        image_construct(clip->picture);
    }
    const auto frame = static_cast<std::uint32_t>(std::clamp<std::int64_t>(index, 0, UINT32_MAX));
    Status loaded = clip->video.load(clip->picture, item_path(item.file_name, m_base).string(),
                                     mapped_avi, frame);
    if (loaded) {
        clip->has_picture = true;
        return &clip->picture;
    }
    if (!clip->warned) {
        clip->warned = true;
        m_notices.push_back("cannot read frame " + std::to_string(frame) + " of " + item.file_name +
                            " (" + loaded.error() + "); its last picture stays in its place");
    }
    if (clip->has_picture) {
        return &clip->picture;
    }
    return image_has_pixels(item.image()) ? &item.image() : nullptr;
}

std::vector<std::string> SourcePictures::take_notices() {
    return std::exchange(m_notices, {});
}

void SourcePictures::release() {
    for (auto& [item, clip] : m_clips) {
        clip->video.close();
        image_release_all(clip->picture);
    }
    m_clips.clear();
}

}  // namespace kdr::editor
