#include "loading/display_thread.h"

#include <QDeadlineTimer>

DisplayThread::DisplayThread(std::function<bool()> attempt, int pauseMs, QObject* parent)
    : QThread(parent), attempt_(std::move(attempt)), pauseMs_(pauseMs)
{
}

DisplayThread::~DisplayThread()
{
    stopAndWait(-1);
}

bool DisplayThread::stopAndWait(int timeoutMs)
{
    requestInterruption();
    if (timeoutMs < 0)
        return wait();
    return wait(QDeadlineTimer(timeoutMs));
}

void DisplayThread::run()
{
    // One successful download is all the start-up needs; a further one would only compete with the
    // settings window's exchanges for the pedometer.
    if (!isInterruptionRequested())
        WaitForDownload();
}

void DisplayThread::WaitForDownload()
{
    while (!isInterruptionRequested()) {
        ++attempts_;
        if (attempt_()) {
            done_ = true;
            return;
        }
        QDeadlineTimer pause(pauseMs_);
        while (!pause.hasExpired() && !isInterruptionRequested())
            QThread::msleep(5);
    }
}
