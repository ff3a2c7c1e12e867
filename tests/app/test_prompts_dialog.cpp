#include "app/prompts_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
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
    QString defaultButton;
    QString escapeButton;
    bool onGuiThread = false;
};

QString ButtonText(const QAbstractButton* button)
{
    return button ? button->text().remove(QLatin1Char('&')) : QString();
}

// Waits for the next message box on the GUI thread, notes what it shows and answers it with answer.
void AnswerNextBox(SeenBox& seen, std::function<void(QMessageBox*)> answer)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &seen, answer] {
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
            seen.buttons << ButtonText(b);
        seen.defaultButton = ButtonText(box->defaultButton());
        seen.escapeButton = ButtonText(box->escapeButton());
        answer(box);
    });
    poll->start(10);
}

void AnswerNextBox(SeenBox& seen, QMessageBox::StandardButton press)
{
    AnswerNextBox(seen, [press](QMessageBox* box) { box->button(press)->click(); });
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

    // OK and the action's button, OK the default: Enter on the button that has the focus when the box
    // opens and Escape answer OK, only the action's button answers true; from a worker as well.
    void messageWithAnAction_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("onWorker");
        QTest::addColumn<bool>("actionTaken");
        QTest::newRow("Open Folder clicked") << QStringLiteral("Open Folder") << false << true;
        QTest::newRow("Enter") << QStringLiteral("Enter") << false << false;
        QTest::newRow("Escape, from a worker") << QStringLiteral("Escape") << true << false;
        QTest::newRow("Open Folder clicked, from a worker") << QStringLiteral("Open Folder") << true << true;
    }
    void messageWithAnAction()
    {
        QFETCH(QString, answer);
        QFETCH(bool, onWorker);
        QFETCH(bool, actionTaken);
        DialogPrompts prompts;
        SeenBox seen;
        AnswerNextBox(seen, [answer](QMessageBox* box) {
            if (answer == QLatin1String("Enter"))
                QTest::keyClick(box->focusWidget(), Qt::Key_Return);
            else if (answer == QLatin1String("Escape"))
                QTest::keyClick(box, Qt::Key_Escape);
            else
                for (QAbstractButton* b : box->buttons())
                    if (ButtonText(b) == answer)
                        b->click();
        });
        const QString text = QStringLiteral("Mail Send failed!\n\nThe records were saved as:\n/data/Ann.csv");
        const auto show = [&] {
            return prompts.showMessageWithAction(QString(), text, 0x10, QStringLiteral("Open Folder"));
        };
        bool taken = !actionTaken;
        if (onWorker) {
            std::atomic<bool> returned{false};
            std::thread worker([&] {
                taken = show();
                returned = true;
            });
            QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 5000);
            worker.join();
        } else {
            taken = show();
        }
        QCOMPARE(taken, actionTaken);
        QVERIFY(seen.onGuiThread);
        QCOMPARE(seen.text, text);
        QCOMPARE(int(seen.icon), int(QMessageBox::Critical));
        QCOMPARE(seen.buttons.size(), 2);
        QVERIFY(seen.buttons.contains(QStringLiteral("OK")));
        QVERIFY(seen.buttons.contains(QStringLiteral("Open Folder")));
        QCOMPARE(seen.defaultButton, QStringLiteral("OK"));
        QCOMPARE(seen.escapeButton, QStringLiteral("OK"));
    }
};

QTEST_MAIN(PromptsDialogTest)
#include "test_prompts_dialog.moc"
