#include "file_preview.h"

#include <QFileInfo>
#include <QLabel>
#include <QMetaObject>
#include <QThreadPool>
#include <QVBoxLayout>

#include <mutex>

#include "kaleidra/images/picture_file.h"
#include "kaleidra/records/image_record.h"
#include "kaleidra/video/avi_reader.h"
#include "kaleidra/video/video_files.h"
#include "record_image.h"

namespace kdr::gui {
namespace {

constexpr int panel_picture_size = 160;

QImage fitted(const QImage& image, int fit) {
    if (image.isNull() || (image.width() <= fit && image.height() <= fit)) {
        return image;
    }
    return image.scaled(fit, fit, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// A frame of the video reader: blue-green-red, rows padded, bottom row first.
QImage frame_image(const video::VideoFrame& frame) {
    QImage image(static_cast<int>(frame.width), static_cast<int>(frame.height),
                 QImage::Format_RGB888);
    for (std::uint32_t y = 0; y < frame.height; ++y) {
        const std::uint8_t* source = frame.pixels.data() + (frame.height - 1 - y) * frame.stride;
        std::uint8_t* target = image.scanLine(static_cast<int>(y));
        for (std::uint32_t x = 0; x < frame.width; ++x) {
            target[3 * x] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x];
        }
    }
    return image;
}

}  // namespace

FilePreview decode_file_preview(const std::filesystem::path& file, int fit) {
    FilePreview preview;
    if (video::is_video_file_name(file)) {
        Result<video::AviReader> reader = video::AviReader::open(file);
        if (!reader.ok()) {
            preview.description = "No picture: " + QString::fromStdString(reader.error());
            return preview;
        }
        Result<const video::VideoFrame*> frame = reader->read_frame(0);
        if (!frame.ok()) {
            preview.description = "No picture: " + QString::fromStdString(frame.error());
            return preview;
        }
        preview.picture = fitted(frame_image(**frame), fit);
        preview.description = QString("%1 x %2, %3 frames")
                                  .arg(reader->width())
                                  .arg(reader->height())
                                  .arg(reader->length());
        return preview;
    }
    if (!is_picture_file(file)) {
        preview.description = "No preview for this kind of file";
        return preview;
    }
    ImageRecord image;
    image_construct(image);
    const Status read = read_picture(image, file);
    if (read.ok()) {
        preview.picture = fitted(record_to_image(image), fit);
        preview.description = QString("%1 x %2").arg(image.width).arg(image.height);
        if (preview.picture.isNull()) {
            preview.description = "No picture: too large to show";
        }
    } else {
        preview.description = "No picture: " + QString::fromStdString(read.error());
    }
    image_release_all(image);
    return preview;
}

// What the panel and its decodes share: the decode the panel waits for,
// and whether the panel still exists.
struct FilePreviewPanel::Shared {
    std::mutex mutex;
    FilePreviewPanel* panel = nullptr;
    unsigned latest = 0;
};

FilePreviewPanel::FilePreviewPanel(QWidget* parent, PreviewDecoder decoder)
    : QFrame(parent), m_decoder(std::move(decoder)), m_shared(std::make_shared<Shared>()) {
    setObjectName("preview-panel");
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_shared->panel = this;
    auto* layout = new QVBoxLayout(this);
    m_picture_view = new QLabel(this);
    m_picture_view->setObjectName("preview-picture");
    m_picture_view->setAlignment(Qt::AlignCenter);
    m_picture_view->setFixedSize(panel_picture_size, panel_picture_size);
    m_description = new QLabel(this);
    m_description->setObjectName("preview-description");
    m_description->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_description->setWordWrap(true);
    m_description->setFixedWidth(panel_picture_size);
    layout->addWidget(m_picture_view);
    layout->addWidget(m_description, 1);
}

FilePreviewPanel::~FilePreviewPanel() {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->panel = nullptr;
}

QString FilePreviewPanel::description() const {
    return m_description->text();
}

void FilePreviewPanel::show_file(const QString& path) {
    unsigned generation = 0;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        generation = ++m_shared->latest;
    }
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        m_decoding = false;
        take(generation, FilePreview{});
        return;
    }
    m_decoding = true;
    m_description->setText("Reading...");
    const std::filesystem::path file = path.toStdString();
    QThreadPool::globalInstance()->start(
        [shared = m_shared, decoder = m_decoder, file, generation] {
            FilePreview preview = decoder(file, panel_picture_size);
            std::lock_guard<std::mutex> lock(shared->mutex);
            // Posted while the panel cannot go away; a panel that goes
            // before the call runs takes its posted calls with it.
            if (shared->panel != nullptr && shared->latest == generation) {
                FilePreviewPanel* panel = shared->panel;
                QMetaObject::invokeMethod(
                    panel,
                    [panel, generation, preview = std::move(preview)] {
                        panel->take(generation, preview);
                    },
                    Qt::QueuedConnection);
            }
        });
}

void FilePreviewPanel::take(unsigned generation, const FilePreview& preview) {
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        if (generation != m_shared->latest) {
            return;
        }
    }
    m_decoding = false;
    m_picture = preview.picture;
    m_picture_view->setPixmap(m_picture.isNull() ? QPixmap() : QPixmap::fromImage(m_picture));
    m_description->setText(preview.description);
    emit preview_shown();
}

}  // namespace kdr::gui
