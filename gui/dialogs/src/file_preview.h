#pragma once
// The side panel of the open-file dialog that picks videos: the chosen
// movie's first frame (an AVI or any other movie the video services read),
// or the chosen BMP or Targa picture, with its size. Files are decoded
// through the package's own readers on a worker of Qt's global thread
// pool, never on the GUI thread, so a large or damaged file never holds up
// the dialog; a later choice supersedes a decode still running, whose
// picture is then dropped. The panel may be destroyed while a decode runs.

#include <QFrame>
#include <QImage>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>

class QLabel;

namespace kdr::gui {

struct FilePreview {
    QImage picture;       // null when the file gives none
    QString description;  // "320 x 240, 60 frames", or why there is no picture
};

// Reads the preview of `file` (any thread): the first frame of a video
// file, or a picture file, scaled to fit `fit` x `fit` pixels.
FilePreview decode_file_preview(const std::filesystem::path& file, int fit);

using PreviewDecoder = std::function<FilePreview(const std::filesystem::path& file, int fit)>;

class FilePreviewPanel : public QFrame {
    Q_OBJECT

  public:
    explicit FilePreviewPanel(QWidget* parent, PreviewDecoder decoder = decode_file_preview);
    ~FilePreviewPanel() override;

    // Starts decoding `path` (a folder or an empty path clears the panel).
    void show_file(const QString& path);

    const QImage& picture() const { return m_picture; }
    QString description() const;
    // A decode has been asked for and has not come back yet.
    bool decoding() const { return m_decoding; }

  signals:
    void preview_shown();

  private:
    struct Shared;
    void take(unsigned generation, const FilePreview& preview);

    PreviewDecoder m_decoder;
    std::shared_ptr<Shared> m_shared;
    QLabel* m_picture_view = nullptr;
    QLabel* m_description = nullptr;
    QImage m_picture;
    bool m_decoding = false;
};

}  // namespace kdr::gui
