#include "kaleidra/updater/gui/dialog_run.h"

#include <QTimer>
#include <mutex>
#include <thread>

#include "kaleidra/updater/gui/progress_dialog.h"

namespace kdr::updater::gui {
namespace {

using platform::MessageAnswer;
using platform::MessageKind;

constexpr int start_delay_ms = 500;
constexpr int refresh_interval_ms = 40;

// The worker's side of the dialog: it publishes the two texts under a lock
// and the dialog's timer shows the latest ones, so a search through
// thousands of folders never floods the event queue. Boxes wait on the
// application's thread, with the texts brought up to date first.
class DialogProgress : public Progress {
  public:
    explicit DialogProgress(ProgressDialog& dialog) : m_dialog(dialog) {}

    void upper(const std::string& text, UpperText) override {
        std::lock_guard lock(m_mutex);
        m_upper = text;
    }
    void lower(const std::string& text) override {
        std::lock_guard lock(m_mutex);
        m_lower = text;
    }
    void detail(const std::string&) override {}
    void pause(std::chrono::milliseconds duration) override {
        std::this_thread::sleep_for(duration);
    }
    MessageAnswer box(const std::string& text, MessageKind kind) override {
        MessageAnswer answer = MessageAnswer::ok;
        QMetaObject::invokeMethod(
            &m_dialog,
            [&] {
                refresh();
                answer = platform::show_message_box(installer_title, text, kind);
            },
            Qt::BlockingQueuedConnection);
        return answer;
    }

    // On the application's thread.
    void refresh() {
        std::string upper;
        std::string lower;
        {
            std::lock_guard lock(m_mutex);
            upper = m_upper;
            lower = m_lower;
        }
        m_dialog.set_upper(QString::fromStdString(upper));
        m_dialog.set_lower(QString::fromStdString(lower));
    }

  private:
    ProgressDialog& m_dialog;
    std::mutex m_mutex;
    std::string m_upper;
    std::string m_lower;
};

}  // namespace

int run_with_dialog(SessionSettings settings) {
    Session session(std::move(settings));
    BoxesOnly boxes;
    if (!session.prepare(boxes)) {
        return session.exit_code();
    }
    {
        ProgressDialog dialog;
        DialogProgress progress(dialog);
        QTimer refresher;
        QObject::connect(&refresher, &QTimer::timeout, &dialog, [&] { progress.refresh(); });
        refresher.start(refresh_interval_ms);

        std::thread worker;
        QTimer::singleShot(start_delay_ms, &dialog, [&] {
            worker = std::thread([&] {
                session.execute(progress);
                QMetaObject::invokeMethod(
                    &dialog,
                    [&] {
                        progress.refresh();
                        dialog.close_when_done();
                    },
                    Qt::QueuedConnection);
            });
        });
        dialog.exec();
        if (worker.joinable()) {
            worker.join();
        }
    }
    session.finish(boxes);
    return session.exit_code();
}

}  // namespace kdr::updater::gui
