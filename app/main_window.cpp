#include "app/main_window.h"

#include "today/day_panel_widget.h"
#include "forms/click_binder.h"
#include "forms/form_look.h"
#include "catalog/catalog_file.h"
#include "charts/record_view.h"
#include "device/device_link.h"
#include "export/csv_export.h"
#include "export/record_mail.h"
#include "loading/loading_window.h"
#include "profiles/profile_name.h"
#include "profiles/settings_window.h"
#include "platform/folder_opener.h"
#include "platform/mailer.h"
#include "platform/prompts.h"
#include "platform/window_placement.h"
#include "store/activity_file.h"
#include "store/day_status.h"
#include "store/download_log.h"
#include "today/date_texts.h"
#include "today/day_carousel_view.h"
#include "today/today_view.h"

#include "ui_main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

#include <utility>

namespace {
const QColor White(255, 255, 255);
const QColor Black(0, 0, 0);

const char* const RecordPrefixes[] = {"Steps", "Distance", "Calorie", "WalkingTime", "ModerateSteps",
                                      "ModerateTime"};
// The four measure tabs RECORD offers; the cardio tabs exist in the form but are never shown.
const char* const TabImages[] = {"StepsHeadImage2", "DistanceHeadImage2", "CalorieHeadImage2",
                                 "WalkingTimeHeadImage2"};
const char* const TabLabels[] = {"StepsHeadLabel", "DistanceHeadLabel", "CaloriesHeadLabel",
                                 "WalkingTimeHeadLabel"};
}

TForm1::TForm1(HidBus& bus, Prompts& prompts, Mailer& mailer, FolderOpener& folderOpener, const QString& dataDir,
               HidChangeMonitor* monitor, QWidget* parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::TForm1>())
    , prompts_(prompts)
    , mailer_(mailer)
    , folderOpener_(folderOpener)
    , monitor_(monitor)
    , today_([] { return QDate::currentDate(); })
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(973, 724);
    ApplyFormLook(this);

    slots_ = {ui->PanelOne, ui->PanelTwo, ui->PanelThree, ui->PanelFour, ui->PanelFive, ui->PanelSix,
              ui->PanelSeven, ui->PanelBack};
    InitDayCarousel();
    // The link reports through the catalog, so it exists (unconnected) even when the catalog fails.
    link_ = std::make_unique<DeviceLink>(bus, prompts_, state_.Catalog, this);

    state_.ExeDir = dataDir.endsWith(QLatin1Char('/')) ? dataDir : dataDir + QLatin1Char('/');
    if (!ApplyCatalogTexts())
        return;
    record_ = std::make_unique<RecordView>(this, state_, prompts_, [this] { return today(); });
    setWindowTitle(QStringLiteral("Kinetrax"));

    link_->ConnectPedometer();
    connect(link_.get(), &DeviceLink::pedometerRemoved, this, &TForm1::onPedometerRemoved);
    if (monitor_ && !link_->RegisterForDeviceChanges(*monitor_))
        prompts_.showMessage(state_.Catalog.applicationTitle(), state_.Catalog.Info[2], PromptFlags::Plain);

    if (const QScreen* s = screen()) {
        move(CentredTopLeft(size(), s->availableGeometry()));
    }

    state_.DayOffset = 0;
    state_.CurrentUser.clear();
    state_.DeviceMetric = false;
    state_.Clients.clear();
    state_.ExportDir = state_.ExeDir;
    state_.UserListPath = state_.ExeDir + QStringLiteral("Kinetrax.dat");

    bindClicks();
    connect(&mailer_, &Mailer::mailAnswered, this, &TForm1::onMailAnswered);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &TForm1::ApplicationEventsActivate);
    state_.StartupDone = false;
    DisplayBtnClick();
    state_.StartupDone = true;
}

TForm1::~TForm1()
{
    FormDestroy();
}

void TForm1::setStartupWindows(TForm2* settings, TForm3* loading)
{
    settings_ = settings;
    loading_ = loading;
    if (settings_) {
        connect(settings_, &TForm2::activeUserChanged, this, &TForm1::activeUserChanged);
        connect(settings_, &TForm2::userRecordChanged, this, &TForm1::LoadUserRecord);
        connect(settings_, &TForm2::quitRequested, this, [this] { quitRequested_ = true; });
        connect(settings_, &TForm2::minimizeRequested, this, &TForm1::minimizeFromSettings);
        // The list file was read (and its first profile made current) while the settings window was
        // built, before this window could follow: caption and TODAY catch up here.
        if (settings_->userListLoaded()) {
            setUserCaption(state_.CurrentUser);
            DisplayBtnClick();
        }
    }
    if (loading_ && settings_)
        connect(loading_, &TForm3::downloadCompleted, settings_, &TForm2::ShowDeviceUnitCaptions);
}

void TForm1::minimizeFromSettings()
{
    // Activation while the minimize is carried out must not restore the window at once.
    activationAttached_ = false;
    showMinimized();
    QTimer::singleShot(activationDelayMs_, this, [this] { activationAttached_ = true; });
}

void TForm1::ApplicationEventsActivate(Qt::ApplicationState applicationState)
{
    if (applicationState != Qt::ApplicationActive || !activationAttached_ || ending_)
        return;
    if (settings_ && settings_->isMinimized())
        return;
    if (isMinimized())
        showNormal();
}

bool TForm1::ApplyCatalogTexts()
{
    const CatalogLoadResult loaded = LoadCatalog(state_.Catalog, state_.ExeDir);
    if (!loaded.ok) {
        startupError_ = loaded.error.isEmpty() ? QStringLiteral("Step.ini cannot be read.") : loaded.error;
        return false;
    }
    TSoftInfo& c = state_.Catalog;
    struct Row {
        QString& text;
        const char* builtin;
        QStringList controls;
    };
    QStringList daily, weekly, monthly, yearly;
    for (const char* p : RecordPrefixes) {
        const QString prefix = QString::fromLatin1(p);
        daily << prefix + QStringLiteral("DailyLabel");
        weekly << prefix + QStringLiteral("WeeklyLabel");
        monthly << prefix + QStringLiteral("MonthlyLabel");
        yearly << prefix + QStringLiteral("YearlyLabel");
    }
    const Row rows[] = {
        {c.SoftName[0], "Kinetrax", {}},
        {c.TodayButton[0], "Today", {QStringLiteral("TodayLabel")}},
        {c.TodayButton[1], "Record", {QStringLiteral("RecordLabel")}},
        {c.TodayButton[2], "User Setting", {QStringLiteral("UserSettingLabel")}},
        {c.TodayButton[3], "Send", {QStringLiteral("SendLabel")}},
        {c.TodayPanel[0], "Step", {QStringLiteral("StepLabel")}},
        {c.TodayPanel[1], "Distance", {QStringLiteral("DistanceLabel")}},
        {c.TodayPanel[2], "Calorie", {QStringLiteral("CalorieLabel")}},
        {c.TodayPanel[3], "Walking Time", {QStringLiteral("WalkingTimeLabel")}},
        {c.TodayPanel[4], "Cardio Steps", {QStringLiteral("ModerateStepsLabel")}},
        {c.TodayPanel[5], "Cardio Time", {QStringLiteral("ModerateTimeLabel")}},
        {c.TodayPanel[6], "Total Step", {QStringLiteral("TotalStepLabel")}},
        {c.TodayPanel[7], "Target Step", {QStringLiteral("TargetStepLabel")}},
        {c.TodayPanel[8], "Goal", {QStringLiteral("TargetBarLabel")}},
        {c.RecordButton[0], "Daily", daily},
        {c.RecordButton[1], "Weekly", weekly},
        {c.RecordButton[2], "Monthly", monthly},
        {c.RecordButton[3], "Yearly", yearly},
        {c.RecordPanel[0], "Steps", {QStringLiteral("StepsHeadLabelH"), QStringLiteral("StepsHeadLabelL")}},
        {c.RecordPanel[1], "Distance", {QStringLiteral("DistanceHeadLabelH"), QStringLiteral("DistanceHeadLabelL")}},
        {c.RecordPanel[2], "Calories", {QStringLiteral("CaloriesHeadLabelH"), QStringLiteral("CaloriesHeadLabelL")}},
        {c.RecordPanel[3], "Walking Time",
         {QStringLiteral("WalkingTimeHeadLabelH"), QStringLiteral("WalkingTimeHeadLabelL")}},
        {c.RecordPanel[4], "Cardio Steps",
         {QStringLiteral("ModerateStepsHeadLabelH"), QStringLiteral("ModerateStepsHeadLabelL")}},
        {c.RecordPanel[5], "Cardio Time",
         {QStringLiteral("ModerateTimeHeadLabelH"), QStringLiteral("ModerateTimeHeadLabelL")}},
    };
    for (const Row& row : rows) {
        if (row.text.isEmpty())
            row.text = QString::fromLatin1(row.builtin);
        for (const QString& name : row.controls) {
            if (QLabel* label = labelNamed(name))
                SetAutoSizedText(label, row.text);
        }
    }
    for (QWidget* panel : slots_) {
        for (QLabel* label : panel->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
            label->setAttribute(Qt::WA_TranslucentBackground);
    }
    return true;
}

QLabel* TForm1::labelNamed(const QString& name) const
{
    return findChild<QLabel*>(name);
}

QWidget* TForm1::widgetNamed(const QString& name) const
{
    return findChild<QWidget*>(name);
}

void TForm1::bindClicks()
{
    struct Section {
        QLabel* label;
        void (TForm1::*click)();
    };
    const Section sections[] = {{ui->TodayLabel, &TForm1::DisplayBtnClick},
                                {ui->RecordLabel, &TForm1::BarChartBtnClick},
                                {ui->UserSettingLabel, &TForm1::SetBtnClick},
                                {ui->SendLabel, &TForm1::SendBtnClick}};
    int n = 0;
    for (const Section& s : sections) {
        ++n;
        BindClick(s.label, [this, click = s.click] { (this->*click)(); });
        SetControlRole(s.label, QAccessible::PageTab, [s] { return TextColor(s.label) == White; });
        // Both chords: Alt+digit is taken by some desktops, Ctrl+digit by others.
        const QKeySequence alt(Qt::ALT | Qt::Key(Qt::Key_0 + n));
        const QKeySequence ctrl(Qt::CTRL | Qt::Key(Qt::Key_0 + n));
        for (const QKeySequence& keys : {alt, ctrl}) {
            // A window shortcut: a modal box or window in front blocks it.
            auto* shortcut = new QShortcut(keys, this);
            shortcut->setContext(Qt::WindowShortcut);
            connect(shortcut, &QShortcut::activated, this, [this, click = s.click] { (this->*click)(); });
        }
        s.label->setAccessibleDescription(alt.toString(QKeySequence::NativeText) + QStringLiteral(", ")
                                          + ctrl.toString(QKeySequence::NativeText));
    }
    setKeyboardOrder();
}

void TForm1::setKeyboardOrder()
{
    // Sections first, then the controls of the section shown: the measure tabs and the period buttons
    // of RECORD, or the day wheel of TODAY (the hidden ones are passed over).
    QList<QWidget*> order = {ui->TodayLabel, ui->RecordLabel, ui->UserSettingLabel, ui->SendLabel};
    for (const char* image : TabImages)
        order << widgetNamed(QString::fromLatin1(image));
    for (const char* prefix : RecordPrefixes) {
        for (const char* period : {"Daily", "Weekly", "Monthly", "Yearly"})
            order << widgetNamed(QString::fromLatin1(prefix) + QString::fromLatin1(period) + QStringLiteral("Image"));
    }
    for (QWidget* panel : slots_)
        order << panel;
    order.removeAll(nullptr);
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TForm1::highlightSection(QLabel* active)
{
    for (QLabel* label : {ui->TodayLabel, ui->RecordLabel, ui->UserSettingLabel, ui->SendLabel}) {
        SetTextColor(label, label == active ? White : Black);
        NotifyControlState(label);
    }
}

bool TForm1::todayActive() const
{
    return TextColor(ui->TodayLabel) == White;
}

void TForm1::InitDayCarousel()
{
    carousel_ = new DayCarouselView(
        {ui->PanelOne, ui->PanelTwo, ui->PanelThree, ui->PanelFour, ui->PanelFive, ui->PanelSix, ui->PanelSeven,
         ui->PanelBack},
        slots_, state_.DayOffset, [this] { return today(); },
        [this](const QDate& date) {
            return ComputeDayPanelTexts(state_.DayRecords, dayRecordsLoaded_, date, state_.Catalog);
        },
        this);
    connect(carousel_, &DayCarouselView::rotationFinished, this, &TForm1::RefreshTodayView);
}

void TForm1::setSlotPanelsVisible(bool visible)
{
    carousel_->setShown(visible);
}

void TForm1::setRecordTabsVisible(bool visible)
{
    ui->BackImage->setVisible(visible);
    for (const char* image : TabImages)
        widgetNamed(QString::fromLatin1(image))->setVisible(visible);
    for (const char* tab : TabLabels) {
        labelNamed(QString::fromLatin1(tab) + QLatin1Char('L'))->setVisible(visible);
        labelNamed(QString::fromLatin1(tab) + QLatin1Char('H'))->setVisible(false);
    }
}

void TForm1::DisplayBtnClick()
{
    highlightSection(ui->TodayLabel);
    setRecordTabsVisible(false);
    state_.DayOffset = 0;
    RefreshTodayView();
    ui->TodayPanel->show();
    setSlotPanelsVisible(true);
    for (const char* prefix : RecordPrefixes)
        widgetNamed(QString::fromLatin1(prefix) + QStringLiteral("Panel"))->hide();
}

void TForm1::BarChartBtnClick()
{
    highlightSection(ui->RecordLabel);
    setRecordTabsVisible(true);
    ui->StepsHeadLabelH->show();
    ui->TodayPanel->hide();
    setSlotPanelsVisible(false);
    if (record_)
        record_->EnterSection();
}

void TForm1::LoadUserRecord()
{
    if (record_)
        record_->LoadUserRecord();
}

bool TForm1::passStartsFromToday() const
{
    return todayActive() || (mailPending_ && sendFromToday_ && TextColor(ui->SendLabel) == White);
}

void TForm1::SetBtnClick()
{
    const bool fromToday = passStartsFromToday();
    highlightSection(ui->UserSettingLabel);
    if (settings_)
        settings_->SetBtnClick();
    if (ending_)
        return;
    highlightSection(fromToday ? ui->TodayLabel : ui->RecordLabel);
    if (state_.UserCount() == 0) {
        if (link_->Connected())
            prompts_.showMessage(state_.Catalog.SoftName[0], state_.Catalog.Info[3], PromptFlags::Plain);
        endProgram();
    }
}

void TForm1::SendBtnClick()
{
    if (mailPending_)
        return;
    const bool fromToday = todayActive();
    highlightSection(ui->SendLabel);
    if (!hasUsableCurrentUser())
        return;
    const MailMessage mail = BuildRecordMail(state_.CurrentUser, state_.ExportDir);
    QString error;
    if (!ExportCsv(mail.AttachmentPath, state_.DayRecords, state_.Catalog, state_.DistanceMetric(), &error)) {
        prompts_.showMessage(state_.Catalog.applicationTitle(), error, PromptFlags::Stop);
        return;
    }
    sendFromToday_ = fromToday;
    sentCsv_ = mail.AttachmentPath;
    mailPending_ = true;
    mailer_.sendMail(mail);
}

void TForm1::onMailAnswered(bool handedOver)
{
    if (!mailPending_ || ending_)
        return;
    mailPending_ = false;
    if (!handedOver)
        OfferTheExport();
    // A section chosen while the mail program started keeps its highlight.
    if (!ending_ && TextColor(ui->SendLabel) == White)
        highlightSection(sendFromToday_ ? ui->TodayLabel : ui->RecordLabel);
}

void TForm1::OfferTheExport()
{
    // The file is written even though no mail took it: the user may attach it by hand.
    const QString text = state_.Catalog.Info[5] + QStringLiteral("\n\nThe records were saved as:\n")
        + QDir::toNativeSeparators(sentCsv_);
    const QString folder = QFileInfo(sentCsv_).absolutePath();
    if (!prompts_.showMessageWithAction(QString(), text, PromptFlags::Stop, QStringLiteral("Open Folder"))
        || ending_)
        return;
    if (!folderOpener_.openFolder(folder))
        prompts_.showMessage(state_.Catalog.applicationTitle(),
                             QStringLiteral("The folder could not be opened:\n") + QDir::toNativeSeparators(folder),
                             PromptFlags::Plain);
}

void TForm1::RefreshTodayView()
{
    ShowTodayFigures();
}

void TForm1::ShowTodayFigures()
{
    bool loaded = false;
    const QString path = ActivityFilePath(state_.ExeDir, state_.CurrentUser);
    if (hasUsableCurrentUser())
        loaded = LoadDayRecords(path, state_.DayRecords, state_.Catalog, prompts_);
    // What a failed load leaves in memory is another user's or an older state of the file; SEND and
    // the day wheel read the records from here.
    if (!loaded)
        state_.DayRecords.clear();
    const QDate selected = SelectedDate(today(), state_.DayOffset);
    dayRecordsLoaded_ = loaded;
    const TodayTexts texts = ComputeTodayTexts(state_.DayRecords, loaded, state_.DownloadBlock, selected,
                                               state_.DistanceMetric(), state_.Catalog);
    std::array<QWidget*, DayPanelSlots> shown{};
    std::copy_n(slots_.begin(), DayPanelSlots, shown.begin());
    TodayView view(ui->TodayPanel);
    view.show(texts, shown);
    // Whatever the file held, the line tells how far the pedometer's days are from being lost; no line
    // without a user or before the first download.
    SyncOutlook outlook;
    if (hasUsableCurrentUser())
        outlook = syncOutlook_.Outlook(path, DownloadLogPath(state_.ExeDir, state_.CurrentUser), state_.DayRecords,
                                       today());
    view.showSyncLine(SyncStatusLine(outlook, today(), state_.Catalog));
    if (!loaded && !state_.StartupDone && hasUsableCurrentUser())
        prompts_.showMessage(state_.Catalog.applicationTitle(), ActivityFileMissingText(path, state_.Catalog),
                             PromptFlags::Plain);
}

bool TForm1::hasUsableCurrentUser() const
{
    return !state_.CurrentUser.isEmpty() && UnusableProfileText(state_.CurrentUser).isEmpty();
}

void TForm1::setUserCaption(const QString& name)
{
    setWindowTitle(state_.Catalog.applicationTitle() + QStringLiteral("   ") + name);
}

void TForm1::activeUserChanged()
{
    setUserCaption(state_.CurrentUser);
    // Also from RECORD: the day records must be the new user's before anything reads them again.
    ShowTodayFigures();
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (formShown_ || !startupError_.isEmpty())
        return;
    formShown_ = true;
    // Out of the show event, so that the modal windows run from the event loop.
    QTimer::singleShot(0, this, &TForm1::FormShow);
}

void TForm1::FormShow()
{
    if (ending_)
        return;
    if (settings_)
        settings_->CentreOnScreen();
    if (!link_->Connected()) {
        // A pedometer that is there but refused to open was already explained, naming the udev rule.
        if (link_->OpenProblem() != HidOpenError::PermissionDenied)
            prompts_.showMessage(state_.Catalog.SoftName[0], state_.Catalog.Info[0], PromptFlags::Stop);
        endProgram();
        return;
    }
    if (loading_)
        loading_->exec();
    if (ending_ || !settings_)
        return;
    quitRequested_ = false;
    settings_->OpenForChoosing();
    if (ending_)
        return;
    if (state_.UserCount() == 0) {
        prompts_.showMessage(state_.Catalog.SoftName[0], state_.Catalog.Info[3], PromptFlags::Plain);
        endProgram();
    } else if (quitRequested_) {
        endProgram();
    }
}

void TForm1::onPedometerRemoved()
{
    if (ending_)
        return;
    prompts_.showMessage(state_.Catalog.SoftName[0], state_.Catalog.Info[0], PromptFlags::Stop);
    endProgram();
}

void TForm1::endProgram()
{
    if (ending_)
        return;
    ending_ = true;
    // Modal windows end first, so that their event loops return to the one the entry runs.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
            dialog->reject();
    }
    close();
    emit programEnded();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormDestroy();
    QWidget::closeEvent(event);
}

void TForm1::FormDestroy()
{
    if (destroyed_ || !link_)
        return;
    destroyed_ = true;
    // A worker still in an exchange must neither wait for a box nor keep the end waiting for it.
    prompts_.programEnding();
    link_->CancelExchanges();
    link_->UnregisterDeviceChanges();
    link_->StopReader();
}
