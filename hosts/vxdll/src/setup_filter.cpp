#include "setup_filter.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <cstdlib>
#include <mutex>

namespace kdr::vxdll {
namespace {

constexpr const char* setup_button = "301";
constexpr const char* hundreds_control = "121";
constexpr const char* units_control = "122";
constexpr const char* hundreds_result = "203";
constexpr const char* units_result = "204";
// Marks a host's button whose clicks the filter already hears.
constexpr const char* watched_property = "kaleidraSetupWatched";

QString control_text(const QWidget* dialog, const char* name) {
    const auto* control = dialog->findChild<QWidget*>(QString::fromLatin1(name));
    if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    if (const auto* spin = qobject_cast<const QSpinBox*>(control)) {
        return spin->cleanText();
    }
    if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(control)) {
        return spin->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(control)) {
        return combo->currentText();
    }
    return {};
}

// The leading decimal digits of a control's text, as the host's own
// reading of the text does: 0 without any.
std::int64_t control_number(const QWidget* dialog, const char* name) {
    const QString text = control_text(dialog, name).trimmed();
    std::int64_t value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9') || value > 100000000) {
            break;
        }
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

void set_control(QWidget* dialog, const char* name, int value) {
    auto* control = dialog->findChild<QWidget*>(QString::fromLatin1(name));
    if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        spin->setValue(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(QString::number(value));
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(QString::number(value));
    }
}

class SetupFilter final : public QObject {
  public:
    explicit SetupFilter(DialogSetup setup) : m_setup(std::move(setup)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::Polish:
            case QEvent::Show:
            case QEvent::MouseButtonPress:
            case QEvent::KeyPress:
            case QEvent::FocusIn:
                watch(watched);
                break;
            default:
                break;
        }
        // Every event goes on to the host.
        return false;
    }

  private:
    // Hears the clicks of a setup button (whatever clicks it: mouse, keys,
    // or the host's own code).
    void watch(QObject* watched) {
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button == nullptr || button->objectName() != QLatin1String(setup_button) ||
            button->property(watched_property).toBool()) {
            return;
        }
        button->setProperty(watched_property, true);
        QPointer<QAbstractButton> guarded(button);
        connect(button, &QAbstractButton::clicked, this, [this, guarded] {
            if (guarded != nullptr) {
                clicked(guarded->window());
            }
        });
    }

    void clicked(QWidget* dialog) {
        if (dialog == nullptr ||
            !dialog->windowTitle().contains(QLatin1String(setup_dialog_title))) {
            return;
        }
        const std::int64_t number =
            control_number(dialog, hundreds_control) * 100 + control_number(dialog, units_control);
        const auto shown = static_cast<std::int32_t>(number <= INT32_MAX ? number : 0);
        QPointer<QWidget> guarded(dialog);
        const std::optional<std::int32_t> kept =
            m_setup(static_cast<KdrOwnerWindow>(dialog->winId()), shown);
        if (kept && guarded != nullptr) {
            set_control(guarded, hundreds_result, *kept / 100);
            set_control(guarded, units_result, *kept % 100);
        }
    }

    DialogSetup m_setup;
};

std::mutex filter_mutex;
QPointer<SetupFilter> filter;
// Carries an installation queued from another thread to the application's
// thread; deleting it discards the queued call, so none runs after the
// library is gone.
QPointer<QObject> carrier;
std::atomic<bool> installed{false};

void install_on_application_thread(DialogSetup setup) {
    std::lock_guard lock(filter_mutex);
    if (carrier != nullptr) {
        carrier->deleteLater();
        carrier = nullptr;
    }
    QCoreApplication* application = QCoreApplication::instance();
    if (filter != nullptr || application == nullptr) {
        return;
    }
    filter = new SetupFilter(std::move(setup));
    application->installEventFilter(filter);
    installed = true;
}

}  // namespace

void ensure_setup_filter(DialogSetup setup) {
    if (installed) {
        return;
    }
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) {
        return;
    }
    if (QThread::currentThread() == application->thread()) {
        install_on_application_thread(std::move(setup));
        return;
    }
    std::lock_guard lock(filter_mutex);
    if (carrier != nullptr) {
        return;
    }
    carrier = new QObject;
    carrier->moveToThread(application->thread());
    QMetaObject::invokeMethod(
        carrier, [setup = std::move(setup)] { install_on_application_thread(setup); },
        Qt::QueuedConnection);
}

void remove_setup_filter() {
    std::lock_guard lock(filter_mutex);
    installed = false;
    delete carrier.data();
    carrier = nullptr;
    if (filter == nullptr) {
        return;
    }
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->removeEventFilter(filter);
    }
    delete filter.data();
    filter = nullptr;
}

bool setup_filter_installed() {
    return installed;
}

}  // namespace kdr::vxdll
