#include "help_viewer.h"

#include <QDesktopServices>
#include <QLabel>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <system_error>

namespace kdr::gui {

HelpViewer::HelpViewer(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("help");
    setWindowTitle("Kaleidra Help");
    auto* layout = new QVBoxLayout(this);
    auto* browser_link = new QLabel(this);
    browser_link->setObjectName("browser-link");
    browser_link->setTextFormat(Qt::RichText);
    connect(browser_link, &QLabel::linkActivated, this,
            [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
    layout->addWidget(browser_link);
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true);
    layout->addWidget(m_browser);
    resize(560, 640);
}

HelpViewer* HelpViewer::of(const QWidget* owner) {
    return owner->findChild<HelpViewer*>("help", Qt::FindDirectChildrenOnly);
}

HelpViewer* HelpViewer::open(QWidget* owner, const std::filesystem::path& file, int topic) {
    HelpViewer* viewer = of(owner);
    if (viewer == nullptr) {
        viewer = new HelpViewer(owner);
    }
    viewer->show_topic(file, topic);
    viewer->show();
    viewer->raise();
    return viewer;
}

QString HelpViewer::anchor() const {
    return m_browser->source().fragment();
}

void HelpViewer::show_topic(const std::filesystem::path& file, int topic) {
    const QString anchor = topic == 0 ? QStringLiteral("contents") : QString::number(topic);
    auto* link = findChild<QLabel*>("browser-link");
    std::error_code error;
    if (file.empty() || !std::filesystem::is_regular_file(file, error)) {
        link->clear();
        m_browser->setSource(QUrl());
        m_browser->setHtml(QStringLiteral("<p>The help file %1 cannot be found. Reinstalling "
                                          "Kaleidra puts it back into the HELP folder.</p>")
                               .arg(file.empty()
                                        ? QStringLiteral("KDRSlct.html")
                                        : QString::fromStdString(file.string()).toHtmlEscaped()));
        return;
    }
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(file.string()));
    url.setFragment(anchor);
    m_browser->setSource(url);
    link->setText(QStringLiteral("<a href=\"%1\">Open this page in the web browser</a>")
                      .arg(url.toString().toHtmlEscaped()));
}

}  // namespace kdr::gui
