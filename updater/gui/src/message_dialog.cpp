#include "kaleidra/updater/gui/message_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringDecoder>
#include <QStyle>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

namespace kdr::updater::gui {
namespace {

using platform::MessageAnswer;
using platform::MessageKind;

QString decoded(const std::string& text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString result = utf8.decode(QByteArray::fromStdString(text));
    if (utf8.hasError()) {
        result = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    }
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return result;
}

QStyle::StandardPixmap icon_of(MessageKind kind) {
    switch (kind) {
        case MessageKind::information:
        case MessageKind::question:
            return QStyle::SP_MessageBoxInformation;
        case MessageKind::warning:
            return QStyle::SP_MessageBoxWarning;
        case MessageKind::error:
            return QStyle::SP_MessageBoxCritical;
    }
    return QStyle::SP_MessageBoxInformation;
}

MessageAnswer show_here(const std::string& title, const std::string& text, MessageKind kind) {
    bool with_cancel = kind == MessageKind::question;
    QDialog box(QApplication::activeWindow());
    box.setWindowTitle(decoded(title));
    box.setModal(true);

    auto* icon = new QLabel;
    int icon_size = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    icon->setPixmap(box.style()->standardIcon(icon_of(kind), nullptr, &box).pixmap(icon_size));
    icon->setAlignment(Qt::AlignTop);

    auto* message = new QLabel(decoded(text));
    message->setObjectName(QStringLiteral("text"));
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // A long text (update.txt may be release notes) scrolls inside a box
    // that stays on the screen, so the buttons can always be reached.
    auto* scroll = new QScrollArea;
    scroll->setWidget(message);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    QSize screen(800, 600);
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        screen = primary->availableSize();
    }
    // As wide as the longest line, within limits; longer lines wrap.
    int widest = 0;
    for (const QString& line : message->text().split(QLatin1Char('\n'))) {
        widest = std::max(widest, message->fontMetrics().horizontalAdvance(line));
    }
    int width = std::min(screen.width() * 3 / 5, 720);
    message->setMinimumWidth(std::clamp(widest + 8, std::min(260, width), width));
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(message->minimumWidth() +
                            scroll->verticalScrollBar()->sizeHint().width());
    int wanted = message->heightForWidth(message->minimumWidth()) + 4;
    scroll->setFixedHeight(std::min(std::max(wanted, 0), screen.height() * 3 / 5));

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
    if (with_cancel) {
        QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
        cancel->setObjectName(QStringLiteral("2"));
        QObject::connect(cancel, &QPushButton::clicked, &box, &QDialog::reject);
    }

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(scroll, 1);
    auto* column = new QVBoxLayout(&box);
    column->addLayout(row);
    column->addWidget(buttons);

    // Escape rejects: Cancel when there is one, else the box's only answer.
    bool accepted = box.exec() == QDialog::Accepted;
    return accepted || !with_cancel ? MessageAnswer::ok : MessageAnswer::cancel;
}

}  // namespace

MessageAnswer show_qt_message_box(const std::string& title, const std::string& text,
                                  MessageKind kind) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        return kind == MessageKind::question ? MessageAnswer::cancel : MessageAnswer::ok;
    }
    if (QThread::currentThread() == application->thread()) {
        return show_here(title, text, kind);
    }
    MessageAnswer answer = MessageAnswer::cancel;
    QMetaObject::invokeMethod(
        application, [&] { answer = show_here(title, text, kind); }, Qt::BlockingQueuedConnection);
    return answer;
}

}  // namespace kdr::updater::gui
