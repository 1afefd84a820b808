#pragma once
// The modeless dialog that shows a render's progress: the project's frame
// (text 1023, bar 1021) and the frame within the current effect (text 1024,
// bar 1022), and the Stop button (2), which Escape presses too. A 100 ms
// timer reads the renderer's atomic progress values; the render thread
// never touches the dialog. Once the render has ended the timer stops and
// the `ended` function runs (it finishes the render and may delete the
// dialog). GUI thread only.

#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kdr::editor {
class MovieRenderer;
}

namespace kdr::editor::window {

class ProgressDialog : public QDialog {
  public:
    ProgressDialog(QWidget* owner, const QString& title, MovieRenderer& renderer,
                   std::function<void()> ended);

    // Reads the progress values now (the timer does so every 100 ms).
    void refresh();
    // What Stop and Escape do: "Wait..." on the button and the renderer
    // asked to stop.
    void press_stop();

  protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void tick();

    MovieRenderer& m_renderer;
    std::function<void()> m_ended;
    QLabel* m_total_text = nullptr;
    QLabel* m_effect_text = nullptr;
    QProgressBar* m_total_bar = nullptr;
    QProgressBar* m_effect_bar = nullptr;
    QPushButton* m_stop = nullptr;
    QTimer* m_timer = nullptr;
};

}  // namespace kdr::editor::window
