#include "option_page.h"

#include <QContextMenuEvent>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

#include "context_help.h"
#include "selection_session.h"

namespace kdr::gui {

OptionPage::OptionPage(SelectionSession& session, int dialog_id, const QString& title,
                       const PageGeometry& geometry)
    : m_session(session), m_dialog_id(dialog_id), m_title(title), m_geometry(geometry) {
    setObjectName(QString::number(dialog_id));
    m_units = std::make_unique<DialogUnits>(font());
    setMinimumSize(m_units->size(geometry.size.width(), geometry.size.height()));
    m_state_timer.setObjectName("101");
    m_display_timer.setObjectName("102");
    connect(&m_state_timer, &QTimer::timeout, this, &OptionPage::on_state_tick);
    connect(&m_display_timer, &QTimer::timeout, this, &OptionPage::on_display_tick);
    installEventFilter(this);
}

OptionPage::~OptionPage() {
    if (m_session.current_page() == this) {
        m_session.set_current_page(nullptr);
    }
}

void OptionPage::ensure_created() {
    if (m_created) {
        return;
    }
    m_created = true;
    create_page_controls();
    m_panel =
        std::make_unique<SelectedFxPanel>(this, *m_units, has_speed_trackbar(), m_geometry.panel);
    connect(m_panel->render(), &QPushButton::clicked, this, [this] {
        m_session.render_button();
        if (PreviewRenderer* renderer = m_session.renderer()) {
            m_panel->set_render_text(render_button_text(renderer->button_state()));
        }
        after_command();
    });
    if (QSlider* speed = m_panel->speed()) {
        if (m_session.filter_mode()) {
            speed->setEnabled(false);
            speed->hide();
        } else {
            speed->setRange(1, 30);
            speed->setPageStep(10);
            speed->setValue(static_cast<int>(usable_speed(m_session.preferences().prev_speed)));
            speed->setEnabled(true);
            speed->show();
        }
        connect(speed, &QSlider::valueChanged, this, &OptionPage::on_speed_moved);
    }
    watch_for_help(this);
}

void OptionPage::activate(Activation cause) {
    ensure_created();
    m_active = true;
    m_session.set_current_page(this);
    refresh_panel();
    if (PreviewRenderer* renderer = m_session.renderer()) {
        m_panel->set_render_text(render_button_text(renderer->button_state()));
    }
    m_state_timer.start(display_timer_period_ms);
    restart_display_timer();
    if (QSlider* speed = m_panel->speed(); speed != nullptr && !m_session.filter_mode()) {
        const QSignalBlocker quiet(speed);
        speed->setValue(static_cast<int>(usable_speed(m_session.preferences().prev_speed)));
    }
    if (cause == Activation::page_shown) {
        page_activated();
    }
    after_command();
}

void OptionPage::deactivate() {
    m_active = false;
    m_state_timer.stop();
    m_display_timer.stop();
}

void OptionPage::refresh_panel() {
    if (!m_panel) {
        return;
    }
    const SelectedEffect& selected = m_session.selected();
    if (selected.loaded) {
        m_panel->show_effect(QString::fromStdString(selected.scene.name),
                             QString::fromStdString(selected.scene.description));
    } else {
        m_panel->show_effect(QString(), QString());
    }
}

void OptionPage::restart_display_timer() {
    m_display_timer.stop();
    if (m_active) {
        m_display_timer.start(frame_period_ms(m_session.preferences().prev_speed));
    }
}

void OptionPage::after_command() {
    m_session.detect_changes();
}

void OptionPage::on_state_tick() {
    if (PreviewRenderer* renderer = m_session.renderer(); renderer != nullptr && m_panel) {
        m_panel->set_render_text(render_button_text(renderer->button_state()));
        if (!m_session.filter_mode()) {
            m_panel->set_progress(renderer->progress());
        }
    }
    after_command();
}

void OptionPage::on_display_tick() {
    PreviewRenderer* renderer = m_session.renderer();
    if (renderer == nullptr || !m_panel) {
        return;
    }
    const int frame = renderer->next_display_frame();
    if (renderer->copy_frame(frame, m_frame_pixels)) {
        m_panel->preview()->show_frame(m_frame_pixels, renderer->size());
    }
}

void OptionPage::on_speed_moved(int value) {
    // Kept in memory only: the Settings page writes the preference.
    m_session.preferences().prev_speed = static_cast<std::uint32_t>(value);
    restart_display_timer();
    after_command();
}

void OptionPage::watch_for_help(QWidget* root) {
    for (QWidget* child : root->findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
}

bool OptionPage::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::ContextMenu:
        case QEvent::WhatsThis: {
            const int topic = help_topic(control_id_of(widget));
            if (topic != 0) {
                open_help(this, topic);
                event->accept();
                return true;
            }
            break;
        }
        case QEvent::QueryWhatsThis:
            if (help_topic(control_id_of(widget)) != 0) {
                event->accept();
                return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void OptionPage::showEvent(QShowEvent* event) {
    ensure_created();
    QWidget::showEvent(event);
}

}  // namespace kdr::gui
