#include "loading/loading_window.h"

#include "state/app_state.h"
#include "device/device_link.h"
#include "protocol/pedometer_protocol.h"
#include "loading/display_thread.h"
#include "platform/prompts.h"
#include "platform/window_placement.h"

#include "ui_loading_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

TForm3::TForm3(AppState& state, DeviceLink& link, Prompts& prompts, QWidget* parent)
    : TForm3(state, link, prompts, Timing{}, parent)
{
}

TForm3::TForm3(AppState& state, DeviceLink& link, Prompts& prompts, const Timing& timing, QWidget* parent)
    : TForm3(state, std::function<DownloadResult()>([&link] {
                 return link.DownloadDeviceData(DeviceLink::ExchangeStart::Automatic);
             }),
             prompts, timing, parent)
{
}

TForm3::TForm3(AppState& state, std::function<DownloadResult()> download, Prompts& prompts, const Timing& timing,
               QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TForm3>()), state_(state), prompts_(prompts)
{
    // The worker keeps its result to itself; the GUI thread adopts it once the worker has ended, so the
    // shared state is never written from two threads.
    setUp([this, download = std::move(download)] {
        DownloadResult result = download();
        if (!result.Complete || !IsReadyStatus(result.Block[0]))
            return false;
        readyResult_ = result;
        return true;
    }, timing);
}

TForm3::TForm3(AppState& state, std::function<bool()> attempt, Prompts& prompts, const Timing& timing,
               QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TForm3>()), state_(state), prompts_(prompts)
{
    setUp(std::move(attempt), timing);
}

TForm3::~TForm3()
{
    Timer1.stop();
    Timer2.stop();
    // Bounded: the worker checks the request between attempts, and at the program's end its attempt
    // is cut short by the cancelled exchanges and the prompts that no longer wait.
    if (worker_ && !worker_->stopAndWait(stopLimitMs_)) {
        qWarning("Kinetrax: the loading worker did not stop within %d ms; leaving it to the process's end",
                 stopLimitMs_);
        // Destroying a running QThread aborts the program; at its end, leaving the worker is safer.
        (void)worker_.release();
    }
}

void TForm3::setUp(std::function<bool()> attempt, const Timing& timing)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(479, 112);

    dots_ = {ui->DotImage1, ui->DotImage2, ui->DotImage3, ui->DotImage4,
             ui->DotImage5, ui->DotImage6, ui->DotImage7, ui->DotImage8};

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(CentredTopLeft(size(), screen->availableGeometry()));
    }
    ui->Panel1->setAutoFillBackground(true);
    QPalette palette = ui->Panel1->palette();
    palette.setColor(QPalette::Window, QColor(204, 255, 255));
    ui->Panel1->setPalette(palette);
    ui->Label1->setText(state_.Catalog.Info[1]);

    stopLimitMs_ = timing.stopLimitMs;
    Timer1.setInterval(timing.dotIntervalMs);
    Timer1.setSingleShot(false);
    Timer2.setInterval(timing.limitMs);
    Timer2.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, &TForm3::Timer1Timer);
    connect(&Timer2, &QTimer::timeout, this, &TForm3::Timer2Timer);
    litDot_ = -1;

    worker_ = std::make_unique<DisplayThread>(std::move(attempt), timing.retryPauseMs);
    worker_->start();
    Timer1.start();
    Timer2.start();
}

bool TForm3::downloadDone() const
{
    return worker_ && worker_->isDone();
}

int TForm3::exec()
{
    if (finished_)
        return result();
    return QDialog::exec();
}

void TForm3::Timer1Timer()
{
    Timer1.stop();
    litDot_ = (litDot_ + 1) % static_cast<int>(dots_.size());
    for (int i = 0; i < static_cast<int>(dots_.size()); ++i)
        dots_[i]->setVisible(i == litDot_);

    if (!downloadDone()) {
        Timer1.start();
        return;
    }
    worker_->stopAndWait(-1);
    Timer2.stop();
    if (readyResult_) {
        // Refused when a download that read the pedometer later (a Save's, say) is already in the state.
        AdoptDownload(state_, *readyResult_);
        readyResult_.reset();
    }
    const bool wasOpen = !finished_;
    finish();
    if (wasOpen)
        accept();
    emit downloadCompleted();
}

void TForm3::Timer2Timer()
{
    Timer2.stop();
    // The worker and Timer1 go on: a late success still ends the worker and announces the download.
    prompts_.showMessage(state_.Catalog.SoftName[0], state_.Catalog.Info[26], PromptFlags::Warning);
    const bool wasOpen = !finished_;
    finish();
    if (wasOpen)
        reject();
}

void TForm3::finish()
{
    finished_ = true;
}

void TForm3::keyPressEvent(QKeyEvent* event)
{
    // The window closes itself; Escape must not skip the download.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
