#pragma once

#include "device/device_link.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <functional>
#include <optional>
#include <memory>

struct AppState;
class DisplayThread;
class Prompts;
class QLabel;
namespace Ui {
class TForm3;
}

// The loading window: a ring of turning dots while its worker downloads the pedometer's memory at
// start-up. It closes itself after a successful download, or when the time limit (counted from its
// construction, not its showing) runs out; the worker then goes on until it succeeds or the window
// is destroyed. The worker's repeated failures are shown once per failing streak, not once per attempt.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    struct Timing {
        int dotIntervalMs = 200;    // Timer1: animation and completion check
        int limitMs = 20000;        // Timer2: the time limit
        int retryPauseMs = 20;      // worker's rest between unsuccessful attempts
        // How long the destructor waits for the worker: an attempt under way ends once the program's
        // exchanges are cancelled, within the write limit of the report being written.
        int stopLimitMs = 6000;
    };

    // Starts the worker at once. The download runs on the worker thread through link, which must
    // serialise it against other exchanges.
    TForm3(AppState& state, DeviceLink& link, Prompts& prompts, QWidget* parent = nullptr);
    TForm3(AppState& state, DeviceLink& link, Prompts& prompts, const Timing& timing, QWidget* parent = nullptr);
    // For tests: download replaces the link's download and runs on the worker thread as that does.
    TForm3(AppState& state, std::function<DownloadResult()> download, Prompts& prompts, const Timing& timing,
           QWidget* parent = nullptr);
    // For tests: attempt replaces the download (returns true when the pedometer reported ready).
    TForm3(AppState& state, std::function<bool()> attempt, Prompts& prompts, const Timing& timing,
           QWidget* parent = nullptr);
    ~TForm3() override;

    // Returns at once when the window has already closed itself (download done or limit reached).
    int exec() override;

    bool downloadDone() const;
    bool finished() const { return finished_; }
    // The lit dot, 0-7; -1 before the first tick.
    int litDot() const { return litDot_; }
    DisplayThread* worker() const { return worker_.get(); }

signals:
    // On the GUI thread, once the worker's download has succeeded and the worker has ended. The memory
    // image and unit flag in the state are then the newest known: the worker's, or a later download's.
    void downloadCompleted();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void Timer1Timer();
    void Timer2Timer();

private:
    void setUp(std::function<bool()> attempt, const Timing& timing);
    void finish();

    std::unique_ptr<Ui::TForm3> ui;
    AppState& state_;
    Prompts& prompts_;
    std::array<QLabel*, 8> dots_{};
    int litDot_ = -1;
    bool finished_ = false;
    QTimer Timer1;
    QTimer Timer2;
    int stopLimitMs_ = 6000;
    std::optional<DownloadResult> readyResult_; // written by the worker before it ends
    std::unique_ptr<DisplayThread> worker_;
};
