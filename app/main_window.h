#pragma once

#include "state/app_state.h"
#include "store/day_status.h"
#include "today/today_figures.h"

#include <QDate>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class DayCarouselView;
class DeviceLink;
class FolderOpener;
class HidBus;
class HidChangeMonitor;
class Mailer;
class Prompts;
class QLabel;
class RecordView;
class TForm2;
class TForm3;
namespace Ui {
class TForm1;
}

// The main window: owner of the program's state and of the device link, the four sections across its
// top (TODAY, RECORD, USER INFO, SEND) and the TODAY view. The settings and loading windows are built
// after it on its state and link, and are shown by it when it is first shown.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Builds the window, loads the catalog from dataDir and puts its texts on the controls, connects to
    // the pedometer on bus, watches monitor (when given) for device changes and opens on TODAY. A
    // catalog that cannot be loaded stops the construction there: startupError() then tells why and the
    // program must end. SEND hands its mail to mailer; when the mail program does not take it, the user
    // may open the CSV's folder through folderOpener. bus, prompts, mailer, folderOpener and monitor must
    // outlive the window.
    TForm1(HidBus& bus, Prompts& prompts, Mailer& mailer, FolderOpener& folderOpener, const QString& dataDir,
           HidChangeMonitor* monitor, QWidget* parent = nullptr);
    ~TForm1() override;

    QString startupError() const { return startupError_; }

    AppState& state() { return state_; }
    DeviceLink& link() { return *link_; }

    // The windows shown at the first show. Either may be null (that step is then skipped).
    void setStartupWindows(TForm2* settings, TForm3* loading);
    // The local clock's date; tests fix it.
    void setTodaySource(std::function<QDate()> today) { today_ = std::move(today); }
    QDate today() const { return today_(); }

    // Sections. The section labels call these on a click.
    void DisplayBtnClick();
    void BarChartBtnClick();
    void SetBtnClick();
    // Exports the records and hands the mail over, then returns; SEND stays highlighted until the mail
    // program answers, and a SEND meanwhile is ignored.
    void SendBtnClick();
    // TODAY is the active section exactly while TodayLabel's text is white.
    bool todayActive() const;

    // RECORD: reloads the current user's records into the charts and totals.
    void LoadUserRecord();
    RecordView& recordView() { return *record_; }

    // Redraws the TODAY view for today + the day offset, reloading the current user's records.
    void RefreshTodayView();
    void ShowTodayFigures();

    // "Kinetrax V1.0   name": the caption once a user is current.
    void setUserCaption(const QString& name);

    // The panels of slots 0-6 and the spare (7), PanelOne ... PanelSeven, PanelBack before the first turn.
    const std::array<QWidget*, 8>& slotTable() const { return slots_; }

    // Ends the run: closes the windows; programEnded() tells the entry to leave its event loop.
    void endProgram();
    bool ending() const { return ending_; }

signals:
    void programEnded();

public slots:
    // The settings window chose or saved the active user: caption and TODAY follow.
    void activeUserChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void minimizeFromSettings();
    void ApplicationEventsActivate(Qt::ApplicationState applicationState);
    void FormDestroy();
    bool ApplyCatalogTexts();
    void onPedometerRemoved();
    void onMailAnswered(bool handedOver);
    // After a failed mail: says so, tells where the CSV is and offers to open its folder.
    void OfferTheExport();
    // Where USER INFO gives the highlight back: TODAY when TODAY is active, or when the SEND that holds
    // the highlight while its mail is pending was started from TODAY.
    bool passStartsFromToday() const;
    // A user is current whose name names a file inside the data directory.
    bool hasUsableCurrentUser() const;
    void highlightSection(QLabel* active);
    // The wheel of day panels: home positions, Timer1 and the clicks, on the start-up slot table.
    void InitDayCarousel();
    void setSlotPanelsVisible(bool visible);
    void setRecordTabsVisible(bool visible);
    void bindClicks();
    void setKeyboardOrder();
    QLabel* labelNamed(const QString& name) const;
    QWidget* widgetNamed(const QString& name) const;

    std::unique_ptr<Ui::TForm1> ui;
    AppState state_;
    Prompts& prompts_;
    Mailer& mailer_;
    FolderOpener& folderOpener_;
    HidChangeMonitor* monitor_ = nullptr;
    std::unique_ptr<DeviceLink> link_;
    std::unique_ptr<RecordView> record_;
    QString startupError_;
    std::array<QWidget*, 8> slots_{};
    DayCarouselView* carousel_ = nullptr;
    bool dayRecordsLoaded_ = false; // DayRecords hold the current user's file as last read
    // The TODAY line's outlook, read again only when the user's files change.
    SyncOutlookCache syncOutlook_;
    std::function<QDate()> today_;
    TForm2* settings_ = nullptr;
    TForm3* loading_ = nullptr;
    bool formShown_ = false;
    bool quitRequested_ = false;
    bool activationAttached_ = true;
    int activationDelayMs_ = 1;
    bool ending_ = false;
    bool destroyed_ = false;
    bool mailPending_ = false;
    bool sendFromToday_ = false;
    QString sentCsv_; // the file of the mail pending or last sent
};
