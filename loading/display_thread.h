#pragma once

#include <QThread>

#include <atomic>
#include <functional>

// The loading window's worker: repeats a download until the pedometer reports ready, then sets the
// done flag and ends. A stop request is honoured between attempts, so the thread ends within one
// attempt's duration (plus at most one pause) once asked.
class DisplayThread : public QThread {
    Q_OBJECT
public:
    // attempt runs one download and returns true when the pedometer reported ready. It runs on this
    // thread. pauseMs is the rest between two unsuccessful attempts, so that an absent pedometer (whose
    // attempts fail at once) does not keep a core busy.
    explicit DisplayThread(std::function<bool()> attempt, int pauseMs = 20, QObject* parent = nullptr);
    ~DisplayThread() override;

    bool isDone() const { return done_.load(); }
    int attempts() const { return attempts_.load(); }

    // Asks the thread to end and waits for it; true when it ended within timeoutMs.
    bool stopAndWait(int timeoutMs = 5000);

protected:
    void run() override;

private:
    void WaitForDownload();

    std::function<bool()> attempt_;
    int pauseMs_;
    std::atomic<bool> done_{false};
    std::atomic<int> attempts_{0};
};
