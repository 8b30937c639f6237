#include "warningbox.h"

#include <QKeyEvent>

WarningBox::WarningBox(const QString& title, const QString& text, QWidget* parent)
    : QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent)
{
    setTextFormat(Qt::PlainText);
    // A key reaches the focused button first, and the box only if the button
    // passes it on, so every one of them is watched.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool WarningBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        const auto* release = static_cast<QKeyEvent*>(event);
        releasedKey = release->key();
        releaseTime = release->timestamp();
    } else if (event->type() == QEvent::KeyPress && isRepeat(static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QMessageBox::eventFilter(watched, event);
}

// The X server repeats a held key as a release and a press with the same time.
// Qt marks the pair as a repeat only when the press has been read by the time
// it handles the release, so the times are compared here as well.
bool WarningBox::isRepeat(const QKeyEvent* press) const
{
    return press->isAutoRepeat() ||
           (press->key() == releasedKey && press->timestamp() == releaseTime);
}
