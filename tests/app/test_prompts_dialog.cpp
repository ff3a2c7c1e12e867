#include "app/prompts_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>
#include <thread>

namespace {
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    bool onGuiThread = false;
};

// Waits for the next message box on the GUI thread, notes what it shows and presses the button.
void AnswerNextBox(SeenBox& seen, QMessageBox::StandardButton press)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll->stop();
        poll->deleteLater();
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.onGuiThread = QThread::currentThread() == qApp->thread();
        for (QAbstractButton* b : box->buttons())
            seen.buttons << b->text().remove(QLatin1Char('&'));
        box->button(press)->click();
    });
    poll->start(10);
}
}

class PromptsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void flagsChooseIconAndButtons_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("icon");
        QTest::newRow("plain") << 0x00 << int(QMessageBox::NoIcon);
        QTest::newRow("stop") << 0x10 << int(QMessageBox::Critical);
        QTest::newRow("warning") << 0x30 << int(QMessageBox::Warning);
        QTest::newRow("information") << 0x40 << int(QMessageBox::Information);
    }
    void flagsChooseIconAndButtons()
    {
        QFETCH(int, flags);
        QFETCH(int, icon);
        DialogPrompts prompts;
        SeenBox seen;
        AnswerNextBox(seen, QMessageBox::Ok);
        prompts.showMessage(QStringLiteral("Kinetrax"), QStringLiteral("No device!"), flags);
        QCOMPARE(seen.title, QStringLiteral("Kinetrax"));
        QCOMPARE(seen.text, QStringLiteral("No device!"));
        QCOMPARE(int(seen.icon), icon);
        QCOMPARE(seen.buttons, QStringList{QStringLiteral("OK")});
    }

    void questionFromAWorkerRunsOnTheGuiThreadAndWaits()
    {
        DialogPrompts prompts;
        for (const bool yes : {true, false}) {
            SeenBox seen;
            AnswerNextBox(seen, yes ? QMessageBox::Yes : QMessageBox::No);
            bool answer = !yes;
            std::atomic<bool> returned{false};
            std::thread worker([&] {
                answer = prompts.askYesNo(QString(), QStringLiteral("Override?"), 0x24);
                returned = true;
            });
            // The GUI thread serves the box meanwhile; joining lets ThreadSanitizer see the hand-over.
            QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 5000);
            worker.join();
            QCOMPARE(answer, yes);
            QVERIFY(seen.onGuiThread);
            QCOMPARE(seen.text, QStringLiteral("Override?"));
            QCOMPARE(int(seen.icon), int(QMessageBox::Question));
            QCOMPARE(seen.buttons.size(), 2);
        }
    }
};

QTEST_MAIN(PromptsDialogTest)
#include "test_prompts_dialog.moc"
