#pragma once
// The help viewer: a window of its own, kept by the dialog window that
// opened it, showing the HTML help file at a topic's anchor (or at its
// contents). It needs no desktop browser; a link at the top offers the
// desktop's browser as well.

#include <QWidget>

#include <filesystem>

class QTextBrowser;

namespace kdr::gui {

class HelpViewer : public QWidget {
  public:
    // Shows the viewer of `owner` (made on first use) at `topic`; 0 shows
    // the contents.
    static HelpViewer* open(QWidget* owner, const std::filesystem::path& file, int topic);
    // The viewer `owner` holds, or null.
    static HelpViewer* of(const QWidget* owner);

    QTextBrowser* browser() const { return m_browser; }
    // The anchor shown last ("contents" or the topic number).
    QString anchor() const;

  private:
    explicit HelpViewer(QWidget* owner);
    void show_topic(const std::filesystem::path& file, int topic);

    QTextBrowser* m_browser = nullptr;
};

}  // namespace kdr::gui
