// The launcher's warning box fed the key events a key held down brings: the X
// server repeats it as a release and a press of the same time, which Qt marks
// as a repeat only when it has read both at once.
#include "warningbox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

class WarningBoxTest : public QObject
{
    Q_OBJECT

private slots:
    void onlyANewPressAnswers_data();
    void onlyANewPressAnswers();
};

// Sends a key event of the server time `time` to `target`.
static void sendKey(QWidget* target, QEvent::Type type, Qt::Key key, quint64 time,
                    bool markedAsRepeat = false)
{
    QKeyEvent event(type, key, Qt::NoModifier, QString(), markedAsRepeat);
    event.setTimestamp(time);
    QApplication::sendEvent(target, &event);
}

void WarningBoxTest::onlyANewPressAnswers_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Return") << Qt::Key_Return;
    QTest::newRow("Enter") << Qt::Key_Enter;
    QTest::newRow("Escape") << Qt::Key_Escape;
    QTest::newRow("Space") << Qt::Key_Space; // the OK button's own key
}

void WarningBoxTest::onlyANewPressAnswers()
{
    QFETCH(Qt::Key, key);

    WarningBox box(QStringLiteral("Viewer did not start"), QStringLiteral("skyglass: <b>"));
    QCOMPARE(box.textFormat(), Qt::PlainText);
    box.open();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QWidget* keyboard = QApplication::focusWidget(); // the OK button
    QVERIFY(keyboard && box.isAncestorOf(keyboard));

    // Held since before the box came up: its first event is a release.
    for (quint64 time = 1000; time <= 1080; time += 40) {
        sendKey(keyboard, QEvent::KeyRelease, key, time);
        sendKey(keyboard, QEvent::KeyPress, key, time);
    }
    QVERIFY2(box.isVisible(), "a repeat Qt did not mark answered the box");
    sendKey(keyboard, QEvent::KeyRelease, key, 1120, true);
    sendKey(keyboard, QEvent::KeyPress, key, 1120, true);
    QVERIFY2(box.isVisible(), "a repeat Qt marked answered the box");

    // Let go, then pressed again.
    sendKey(keyboard, QEvent::KeyRelease, key, 1150);
    QVERIFY(box.isVisible());
    sendKey(keyboard, QEvent::KeyPress, key, 1400);
    sendKey(keyboard, QEvent::KeyRelease, key, 1480);
    QVERIFY2(!box.isVisible(), "a new press did not answer the box");
}

QTEST_MAIN(WarningBoxTest)
#include "warningbox_test.moc"
