#include "kaleidra/editor/window/compression_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>
#include <optional>

#include "kaleidra/editor/output_movie.h"
#include "kaleidra/editor/output_settings.h"
#include "kaleidra/install/install_paths.h"
#include "kaleidra/platform/message_box.h"
#include "kaleidra/video/encoders.h"

namespace kdr::editor::window {
namespace {

// MS Video 1 keeps its spatial quality in a 4-byte block.
std::vector<std::uint8_t> parameters_of_new_compressor(std::uint32_t handler) {
    const video::CompressOptions defaults = default_compress_options();
    if (video::find_encoder(handler) == video::find_encoder(defaults.handler)) {
        return defaults.parameters;
    }
    return {};
}

// "MSVC" and "msvc" (and "CRAM") name one compressor.
bool same_compressor(std::uint32_t a, std::uint32_t b) {
    return a == b ||
           (video::find_encoder(a) != nullptr && video::find_encoder(a) == video::find_encoder(b));
}

}  // namespace

QString parameters_text(const std::vector<std::uint8_t>& parameters) {
    QStringList bytes;
    for (std::uint8_t byte : parameters) {
        bytes << QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    }
    return bytes.join(' ');
}

std::optional<std::vector<std::uint8_t>> parse_parameters(const QString& text) {
    QString digits = text;
    digits.remove(' ');
    if (digits.size() % 2 != 0 ||
        static_cast<std::uint64_t>(digits.size() / 2) > video::max_parameter_size) {
        return std::nullopt;
    }
    for (QChar c : digits) {
        if (!c.isDigit() && !(c.toLower() >= 'a' && c.toLower() <= 'f')) {
            return std::nullopt;
        }
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(digits.size() / 2));
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        bool ok = false;
        const uint value = digits.mid(i, 2).toUInt(&ok, 16);
        if (!ok) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

CompressionDialog::CompressionDialog(QWidget* parent, const video::CompressOptions& options)
    : QDialog(parent), m_options(options) {
    setObjectName("compression");
    setWindowTitle(QStringLiteral("Video Compression"));
    auto* form = new QFormLayout;

    m_compressor = new QComboBox(this);
    m_compressor->setObjectName("compressor");
    int current = -1;
    const video::EncoderInfo* chosen = video::find_encoder(m_options.handler);
    for (const video::EncoderInfo& encoder : video::list_encoders()) {
        if (!encoder.available) {
            continue;
        }
        if (chosen != nullptr && encoder.handler == chosen->handler) {
            current = m_compressor->count();
        }
        m_compressor->addItem(QStringLiteral("%1 (%2)").arg(
                                  QString::fromStdString(encoder.name),
                                  QString::fromStdString(video::fourcc_text(encoder.handler))),
                              encoder.handler);
    }
    if (current < 0) {
        // A handler this build cannot write stays shown as it is, so that
        // OK without a choice keeps the block unchanged.
        m_compressor->insertItem(
            0,
            QStringLiteral("Not available here (%1)")
                .arg(QString::fromStdString(video::fourcc_text(m_options.handler))),
            m_options.handler);
        current = 0;
    }
    m_compressor->setCurrentIndex(current);
    form->addRow(QStringLiteral("&Compressor:"), m_compressor);

    m_quality = new QSpinBox(this);
    m_quality->setObjectName("quality");
    m_quality->setRange(0, 100);
    m_quality->setSuffix(QStringLiteral(" %"));
    m_quality->setValue(
        m_options.quality == video::quality_default
            ? 75
            : static_cast<int>(std::min<std::uint32_t>(m_options.quality, 10000) / 100));
    form->addRow(QStringLiteral("Compression &quality:"), m_quality);

    auto* key_row = new QHBoxLayout;
    m_key_frames = new QCheckBox(QStringLiteral("&Key frame every"), this);
    m_key_frames->setObjectName("key-frames");
    m_key_frames->setChecked((m_options.flags & compress_flag_key_frames) != 0);
    m_key_frame_every = new QSpinBox(this);
    m_key_frame_every->setObjectName("key-frame-every");
    m_key_frame_every->setRange(1, 9999);
    m_key_frame_every->setSuffix(QStringLiteral(" frames"));
    m_key_frame_every->setValue(
        static_cast<int>(std::clamp<std::uint32_t>(m_options.key_frame_every, 1, 9999)));
    key_row->addWidget(m_key_frames);
    key_row->addWidget(m_key_frame_every);
    form->addRow(key_row);

    auto* rate_row = new QHBoxLayout;
    m_data_rate = new QCheckBox(QStringLiteral("&Data rate"), this);
    m_data_rate->setObjectName("data-rate");
    m_data_rate->setChecked((m_options.flags & compress_flag_data_rate) != 0);
    m_data_rate_value = new QSpinBox(this);
    m_data_rate_value->setObjectName("data-rate-value");
    m_data_rate_value->setRange(1, 1000000);
    m_data_rate_value->setSuffix(QStringLiteral(" KB/sec"));
    m_data_rate_value->setValue(
        static_cast<int>(std::clamp<std::uint32_t>(m_options.bytes_per_second / 1024, 1, 1000000)));
    rate_row->addWidget(m_data_rate);
    rate_row->addWidget(m_data_rate_value);
    form->addRow(rate_row);

    m_parameters = new QLineEdit(this);
    m_parameters->setObjectName("parameters");
    form->addRow(QStringLiteral("Compressor &data (hex):"), m_parameters);
    show_parameters();

    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("2");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(m_compressor, &QComboBox::currentIndexChanged, this,
            [this](int index) { compressor_chosen(index); });
    connect(m_key_frames, &QCheckBox::toggled, m_key_frame_every, &QWidget::setEnabled);
    connect(m_data_rate, &QCheckBox::toggled, m_data_rate_value, &QWidget::setEnabled);
    m_key_frame_every->setEnabled(m_key_frames->isChecked());
    m_data_rate_value->setEnabled(m_data_rate->isChecked());
    compressor_chosen(m_compressor->currentIndex());
}

void CompressionDialog::compressor_chosen(int index) {
    const auto handler = m_compressor->itemData(index).toUInt();
    const video::EncoderInfo* encoder = video::find_encoder(handler);
    m_quality->setEnabled(encoder != nullptr && encoder->takes_quality);
    if (!same_compressor(handler, m_options.handler)) {
        // The block belongs to the compressor it came from.
        m_options.handler = handler;
        set_parameters(m_options, parameters_of_new_compressor(handler));
        show_parameters();
    }
}

void CompressionDialog::show_parameters() {
    m_parameters->setText(parameters_text(m_options.parameters));
}

void CompressionDialog::accept() {
    const std::optional<std::vector<std::uint8_t>> parameters =
        parse_parameters(m_parameters->text());
    if (!parameters) {
        platform::show_message_box("Video Compression",
                                   "The compressor data must be pairs of hexadecimal digits.",
                                   platform::MessageKind::warning);
        show_parameters();
        return;
    }
    set_parameters(m_options, *parameters);
    // The handler's own spelling stays when the compressor did.
    const auto chosen = m_compressor->currentData().toUInt();
    if (!same_compressor(chosen, m_options.handler)) {
        m_options.handler = chosen;
    }
    if (m_quality->isEnabled()) {
        m_options.quality = static_cast<std::uint32_t>(m_quality->value()) * 100;
    }
    m_options.flags |= compress_flag_valid;
    if (m_key_frames->isChecked()) {
        m_options.flags |= compress_flag_key_frames;
        m_options.key_frame_every = static_cast<std::uint32_t>(m_key_frame_every->value());
    } else {
        m_options.flags &= ~compress_flag_key_frames;
        m_options.key_frame_every = 0;
    }
    if (m_data_rate->isChecked()) {
        m_options.flags |= compress_flag_data_rate;
        m_options.bytes_per_second = static_cast<std::uint32_t>(m_data_rate_value->value()) * 1024;
    } else {
        m_options.flags &= ~compress_flag_data_rate;
        m_options.bytes_per_second = 0;
    }
    QDialog::accept();
}

bool choose_compression(QWidget* parent, video::CompressOptions& options, std::int32_t width,
                        std::int32_t height, std::int32_t rate) {
    const std::optional<std::filesystem::path> file =
        install::build_path(install::folder_work, "TMP", "AVI");
    MovieRequest request;
    request.file = file.value_or("TMP.AVI");
    request.width = width;
    request.height = height;
    request.rate = rate;
    request.options = options;
    request.show_avi_errors = false;
    Result<OutputMovie> movie = OutputMovie::create(request);
    if (!movie) {
        platform::show_message_box(
            "AVI Error.", "Unable to use current AVI settings.  Reverting to default AVI settings.",
            platform::MessageKind::warning);
        options = default_compress_options();
        request.options = options;
        request.show_avi_errors = true;
        movie = OutputMovie::create(request);
        if (!movie) {
            return false;
        }
    }
    CompressionDialog dialog(parent, options);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    if (chosen) {
        options = dialog.options();
    }
    (void)movie->close();
    return chosen;
}

}  // namespace kdr::editor::window
