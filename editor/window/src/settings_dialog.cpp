#include "kaleidra/editor/window/settings_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "context_help.h"
#include "kaleidra/editor/window/compression_dialog.h"
#include "kaleidra/editor/window/desktop_services.h"
#include "kaleidra/editor/window/settings_rules.h"

namespace kdr::editor::window {
int SettingsDialog::help_context(int control_id) {
    switch (control_id) {
        case 1006:
        case 1007:
        case 1008:
            return 200;
        case 1009:
            return 201;
        case 1012:
        case 1013:
        case 1014:
            return 202;
        case 1016:
            return 203;
        case 1015:
            return 204;
        default:
            return 1;
    }
}

QLineEdit* SettingsDialog::make_box(const char* id, std::int32_t value) {
    auto* box = new QLineEdit(QString::number(value), this);
    box->setObjectName(id);
    box->setMaxLength(10);
    box->setMaximumWidth(80);
    return box;
}

SettingsDialog::SettingsDialog(QWidget* parent, const OutputSettings& settings)
    : QDialog(parent), m_settings(settings) {
    setObjectName("settings");
    setWindowTitle(QStringLiteral("Reelbench Settings"));
    m_preview_ratio = size_ratio(m_settings.preview_width, m_settings.preview_height);
    m_final_ratio = size_ratio(m_settings.final_width, m_settings.final_height);

    auto* preview = new QGroupBox(QStringLiteral("Preview"), this);
    auto* preview_grid = new QGridLayout(preview);
    m_preview_width = make_box("1006", m_settings.preview_width);
    m_preview_height = make_box("1007", m_settings.preview_height);
    m_preview_ratio_box = new QCheckBox(QStringLiteral("Keep Width/Height Ratio"), preview);
    m_preview_ratio_box->setObjectName("1008");
    m_preview_ratio_box->setChecked(true);
    auto* preview_compression = new QPushButton(QStringLiteral("Compression"), preview);
    preview_compression->setObjectName("1009");
    preview_grid->addWidget(new QLabel(QStringLiteral("Width:"), preview), 0, 0);
    preview_grid->addWidget(m_preview_width, 0, 1);
    preview_grid->addWidget(new QLabel(QStringLiteral("Height:"), preview), 1, 0);
    preview_grid->addWidget(m_preview_height, 1, 1);
    preview_grid->addWidget(m_preview_ratio_box, 2, 0, 1, 2);
    preview_grid->addWidget(preview_compression, 3, 0, 1, 2);

    auto* output = new QGroupBox(QStringLiteral("Output"), this);
    auto* output_grid = new QGridLayout(output);
    m_final_width = make_box("1012", m_settings.final_width);
    m_final_height = make_box("1013", m_settings.final_height);
    m_rate = make_box("1016", m_settings.rate);
    m_final_ratio_box = new QCheckBox(QStringLiteral("Keep Width/Height Ratio"), output);
    m_final_ratio_box->setObjectName("1014");
    m_final_ratio_box->setChecked(true);
    auto* final_compression = new QPushButton(QStringLiteral("&Compression"), output);
    final_compression->setObjectName("1015");
    output_grid->addWidget(new QLabel(QStringLiteral("Width:"), output), 0, 0);
    output_grid->addWidget(m_final_width, 0, 1);
    output_grid->addWidget(new QLabel(QStringLiteral("Height:"), output), 1, 0);
    output_grid->addWidget(m_final_height, 1, 1);
    output_grid->addWidget(new QLabel(QStringLiteral("Rate:"), output), 2, 0);
    output_grid->addWidget(m_rate, 2, 1);
    output_grid->addWidget(m_final_ratio_box, 3, 0, 1, 2);
    output_grid->addWidget(final_compression, 4, 0, 1, 2);

    auto* fields = new QGroupBox(QStringLiteral("Frame/Field:"), this);
    auto* field_row = new QHBoxLayout(fields);
    auto* field_group = new QButtonGroup(this);
    const char* field_ids[] = {"1027", "1028", "1029"};
    const char* field_texts[] = {"Frame", "Odd First", "Even First"};
    for (int mode = 0; mode < 3; ++mode) {
        auto* radio = new QRadioButton(QString::fromLatin1(field_texts[mode]), fields);
        radio->setObjectName(field_ids[mode]);
        radio->setChecked(m_settings.field_mode == mode);
        field_group->addButton(radio, mode);
        field_row->addWidget(radio);
    }
    connect(field_group, &QButtonGroup::idClicked, this,
            [this](int mode) { m_settings.field_mode = mode; });

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("2");
    buttons->button(QDialogButtonBox::Help)->setObjectName("9");
    buttons->button(QDialogButtonBox::Help)->setText(QStringLiteral("&Help"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { open_help(this, 1); });

    auto* groups = new QHBoxLayout;
    groups->addWidget(preview);
    groups->addWidget(output);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(fields);
    layout->addWidget(buttons);

    connect(m_preview_width, &QLineEdit::textChanged, this,
            [this] { box_changed(Box::preview_width); });
    connect(m_preview_height, &QLineEdit::textChanged, this,
            [this] { box_changed(Box::preview_height); });
    connect(m_final_width, &QLineEdit::textChanged, this,
            [this] { box_changed(Box::final_width); });
    connect(m_final_height, &QLineEdit::textChanged, this,
            [this] { box_changed(Box::final_height); });
    connect(m_rate, &QLineEdit::textChanged, this, [this] { rate_changed(); });
    connect(preview_compression, &QPushButton::clicked, this, [this] {
        (void)choose_compression(this, m_settings.preview_options, m_settings.preview_width,
                                 m_settings.preview_height, m_settings.rate);
    });
    connect(final_compression, &QPushButton::clicked, this, [this] {
        (void)choose_compression(this, m_settings.final_options, m_settings.final_width,
                                 m_settings.final_height, m_settings.rate);
    });

    for (QWidget* widget : findChildren<QWidget*>()) {
        if (gui::control_id_of(widget) > 2) {
            widget->installEventFilter(this);
            widget->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(widget, &QWidget::customContextMenuRequested, this,
                    [this, widget] { help_for(widget); });
        }
    }
}

void SettingsDialog::write_box(QLineEdit* box, std::int32_t value) {
    m_writing = true;
    box->setText(QString::number(value));
    m_writing = false;
}

void SettingsDialog::box_changed(Box box) {
    if (m_writing) {
        return;
    }
    const bool preview = box == Box::preview_width || box == Box::preview_height;
    const bool width = box == Box::preview_width || box == Box::final_width;
    QLineEdit* edit = preview ? (width ? m_preview_width : m_preview_height)
                              : (width ? m_final_width : m_final_height);
    QLineEdit* partner = preview ? (width ? m_preview_height : m_preview_width)
                                 : (width ? m_final_height : m_final_width);
    std::int32_t& value = preview ? (width ? m_settings.preview_width : m_settings.preview_height)
                                  : (width ? m_settings.final_width : m_settings.final_height);
    std::int32_t& partner_value =
        preview ? (width ? m_settings.preview_height : m_settings.preview_width)
                : (width ? m_settings.final_height : m_settings.final_width);
    const std::optional<std::int32_t> accepted = accepted_size(edit->text().toStdString());
    if (!accepted) {
        write_box(edit, value);
        return;
    }
    value = *accepted;
    const bool keep = (preview ? m_preview_ratio_box : m_final_ratio_box)->isChecked();
    const double ratio = preview ? m_preview_ratio : m_final_ratio;
    if (!keep) {
        return;
    }
    const std::optional<std::int32_t> other =
        width ? height_for_width(value, ratio) : width_for_height(value, ratio);
    if (other) {
        partner_value = *other;
        write_box(partner, partner_value);
    }
}

void SettingsDialog::rate_changed() {
    if (m_writing) {
        return;
    }
    const std::optional<std::int32_t> rate = accepted_rate(m_rate->text().toStdString());
    if (rate) {
        m_settings.rate = *rate;
    } else {
        write_box(m_rate, m_settings.rate);
    }
}

void SettingsDialog::help_for(QWidget* widget) {
    open_help(this, help_context(gui::control_id_of(widget)));
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        if (auto* widget = qobject_cast<QWidget*>(watched)) {
            help_for(widget);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace kdr::editor::window
