#pragma once
// The compression choice of the Settings dialog: a dialog of our own that
// lists the compressors the video services can write and edits one
// compression options block in place: the handler, the quality, a key frame
// every n frames, a data rate, and the compressor's parameter block (shown
// and typed as hexadecimal bytes). Cancel leaves the block as it was.
//
// Before the dialog, choose_compression() proves the block by preparing a
// temporary movie ("Work/TMP.AVI") with it, as a render would; a block no
// compressor takes is replaced by the default options after a message. The
// temporary file stays in the work folder. GUI thread only.

#include <QDialog>

#include <cstdint>

#include "kaleidra/video/compress_options.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace kdr::editor::window {

// The flags of an options block that the dialog sets.
inline constexpr std::uint32_t compress_flag_data_rate = 0x2;
inline constexpr std::uint32_t compress_flag_key_frames = 0x4;
inline constexpr std::uint32_t compress_flag_valid = 0x8;

class CompressionDialog : public QDialog {
  public:
    CompressionDialog(QWidget* parent, const video::CompressOptions& options);

    // The edited block (what OK hands back).
    const video::CompressOptions& options() const { return m_options; }

    void accept() override;

  private:
    void compressor_chosen(int index);
    void show_parameters();

    video::CompressOptions m_options;
    QComboBox* m_compressor = nullptr;
    QSpinBox* m_quality = nullptr;
    QCheckBox* m_key_frames = nullptr;
    QSpinBox* m_key_frame_every = nullptr;
    QCheckBox* m_data_rate = nullptr;
    QSpinBox* m_data_rate_value = nullptr;
    QLineEdit* m_parameters = nullptr;
};

// The parameter block as "4B 00 00 00", and read back (spaces optional);
// nothing when the text is not whole bytes of hexadecimal digits or longer
// than video::max_parameter_size.
QString parameters_text(const std::vector<std::uint8_t>& parameters);
std::optional<std::vector<std::uint8_t>> parse_parameters(const QString& text);

// Steps of the Settings dialog's Compression buttons: proves `options` on a
// temporary movie of `width` x `height` at `rate` (replacing it by the
// defaults when no compressor takes it), then shows the dialog. True when
// the dialog was confirmed and `options` changed to the user's choice.
bool choose_compression(QWidget* parent, video::CompressOptions& options, std::int32_t width,
                        std::int32_t height, std::int32_t rate);

}  // namespace kdr::editor::window
