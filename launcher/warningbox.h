#pragma once

#include <QMessageBox>

class QKeyEvent;

// The launcher's warning: a modal box with the warning icon and a single OK
// button, its text shown as it is (paths are never read as markup).
//
// Only a key pressed while the box is up answers it. A box can come up at any
// moment, when a viewer ends; a key held down then (Enter, Escape) repeats into
// it and would close it before anyone saw it.
class WarningBox : public QMessageBox
{
    Q_OBJECT

public:
    WarningBox(const QString& title, const QString& text, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isRepeat(const QKeyEvent* press) const;

    int releasedKey = 0;
    quint64 releaseTime = 0;
};
