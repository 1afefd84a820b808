#include "kaleidra/editor/window/progress_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

#include "kaleidra/editor/movie_renderer.h"

namespace kdr::editor::window {
namespace {

QProgressBar* make_bar(QWidget* parent, const char* id) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(id);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

void set_bar(QProgressBar* bar, float progress) {
    if (progress >= 0 && std::isfinite(progress)) {
        bar->setValue(static_cast<int>(std::min(progress, 1.0f) * 100));
    }
}

}  // namespace

ProgressDialog::ProgressDialog(QWidget* owner, const QString& title, MovieRenderer& renderer,
                               std::function<void()> ended)
    : QDialog(owner), m_renderer(renderer), m_ended(std::move(ended)) {
    setObjectName("progress");
    setWindowTitle(title);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    m_total_text = new QLabel(QStringLiteral("Total Project"), this);
    m_total_text->setObjectName("1023");
    layout->addWidget(m_total_text);
    m_total_bar = make_bar(this, "1021");
    layout->addWidget(m_total_bar);
    m_effect_text = new QLabel(this);
    m_effect_text->setObjectName("1024");
    layout->addWidget(m_effect_text);
    m_effect_bar = make_bar(this, "1022");
    layout->addWidget(m_effect_bar);
    m_stop = new QPushButton(QStringLiteral("Stop"), this);
    m_stop->setObjectName("2");
    m_stop->setAutoDefault(false);
    layout->addWidget(m_stop, 0, Qt::AlignHCenter);
    connect(m_stop, &QPushButton::clicked, this, [this] { press_stop(); });
    setMinimumWidth(360);

    if (owner != nullptr) {
        // Centred on the owner's client area.
        adjustSize();
        const QPoint centre = owner->mapToGlobal(owner->rect().center());
        move(centre - QPoint(width() / 2, height() / 2));
    }
    m_timer = new QTimer(this);
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, [this] { tick(); });
    m_timer->start();
    refresh();
}

void ProgressDialog::refresh() {
    const RenderProgress& progress = m_renderer.progress();
    m_total_text->setText(QString::fromStdString(total_progress_text(progress)));
    m_effect_text->setText(QString::fromStdString(effect_progress_text(progress)));
    set_bar(m_total_bar, progress.total_progress.load());
    set_bar(m_effect_bar, progress.effect_progress.load());
}

void ProgressDialog::press_stop() {
    m_stop->setText(QStringLiteral("Wait..."));
    m_renderer.stop();
}

void ProgressDialog::reject() {
    // Escape stops the render; the dialog goes when the render has ended.
    press_stop();
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    press_stop();
    event->ignore();
}

void ProgressDialog::tick() {
    refresh();
    if (m_renderer.running()) {
        return;
    }
    m_timer->stop();
    if (m_ended) {
        std::function<void()> ended = std::move(m_ended);
        ended();
    }
}

}  // namespace kdr::editor::window
