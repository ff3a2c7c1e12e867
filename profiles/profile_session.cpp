#include "profiles/profile_session.h"

#include "platform/prompts.h"
#include "profiles/profile_name.h"
#include "profiles/units.h"
#include "profiles/user_list.h"
#include "protocol/pedometer_port.h"
#include "state/app_state.h"
#include "store/activity_file.h"
#include "store/merge.h"

#include <QFile>
#include <QThread>

QString PedometerNotReadText()
{
    return QStringLiteral("The pedometer could not be read, so the profile was saved on this computer only and "
                          "not sent to the pedometer. Connect the pedometer and save the profile again.");
}

ProfileSession::ProfileSession(AppState& state, PedometerPort& pedometer, Prompts& prompts)
    : state_(state), pedometer_(pedometer), prompts_(prompts)
{
}

void ProfileSession::notifyActiveUser()
{
    if (activeUserChanged_)
        activeUserChanged_();
}

// ---- the list -------------------------------------------------------------------------------------

bool ProfileSession::LoadUserList()
{
    if (!QFile::exists(state_.UserListPath)) {
        state_.Clients.clear();
        SaveUserList();
        return true;
    }
    const UserListFile file = ::LoadUserList(state_.UserListPath);
    if (!file.Readable) {
        startupError_ = file.Error;
        return false;
    }
    if (file.Damaged) {
        // The next save rewrites the list from what could be read; keep the original beside it.
        const QString keep = state_.UserListPath + QStringLiteral(".damaged");
        QFile::remove(keep);
        QFile::copy(state_.UserListPath, keep);
    }
    state_.Clients.clear();
    if (!file.HasClientSection) {
        SaveUserList();
        return true;
    }
    state_.Clients = file.Clients;
    loadedCount_ = file.LoadedCount;
    userListLoaded_ = true;
    // A first profile whose listed name could name a file outside the data directory is not made
    // current; choosing it with OK explains why.
    const QString first = state_.Clients.empty() ? QString() : state_.Clients.front().Name;
    state_.CurrentUser = UnusableProfileText(first).isEmpty() ? first : QString();
    notifyActiveUser();
    return true;
}

bool ProfileSession::SaveUserList()
{
    QString error;
    if (::SaveUserList(state_.UserListPath, state_.Clients, &error))
        return true;
    prompts_.showMessage(state_.Catalog.UserSetting[0], error, PromptFlags::Stop);
    return false;
}

QString ProfileSession::genderText(int gender) const
{
    const auto& other = state_.Catalog.Other;
    return gender == 2 ? other[1] : gender == 1 ? other[2] : QString();
}

std::vector<ProfileRow> ProfileSession::Rows() const
{
    std::vector<ProfileRow> rows;
    for (const TClient& c : state_.Clients)
        rows.push_back({c.Name, genderText(c.Gender)});
    return rows;
}

ProfileRow ProfileSession::PreviewRow(const ProfileForm& form) const
{
    return {form.Name, genderText(form.Gender)};
}

bool ProfileSession::UnitCaptionsMetric(bool formMetric) const
{
    return state_.DownloadValid ? state_.DeviceMetric : formMetric;
}

// ---- New and Del ----------------------------------------------------------------------------------

std::optional<NewProfileDefaults> ProfileSession::NewProfile(ExchangeStart start)
{
    const TSoftInfo& cat = state_.Catalog;
    if (state_.UserCount() >= MaxClients) {
        prompts_.showMessage(cat.UserSetting[0], cat.Info[18], PromptFlags::Stop);
        return std::nullopt;
    }
    // The defaults follow the pedometer's unit system, which a failed start-up download left unread.
    if (!state_.DownloadValid)
        DownloadIntoState(start);

    NewProfileDefaults d;
    d.Row = state_.UserCount() + 1;
    d.RowTexts.Name = cat.NewInit1[0];
    d.Gender = cat.NewInit1[1].toInt();
    if (d.Gender == 2)
        d.RowTexts.Gender = cat.UserSetting[5];
    else if (d.Gender == 1)
        d.RowTexts.Gender = cat.UserSetting[6];
    else
        d.Gender = 0;
    d.Name = cat.NewInit1[0];
    d.Age = cat.NewInit1[2];
    d.Metric = state_.DeviceMetric;
    if (d.Metric) {
        d.HeightH = cat.NewInit1[3];
        d.HeightL = cat.NewInit1[4];
        d.Weight = cat.NewInit1[5];
        d.Steplength = cat.NewInit1[6];
    } else {
        d.HeightH = cat.NewInit2[0];
        d.HeightL = cat.NewInit2[1];
        d.Weight = cat.NewInit2[2];
        d.Steplength = cat.NewInit2[3];
    }
    d.Target = cat.NewInit1[7];
    return d;
}

bool ProfileSession::DeleteProfile(int row)
{
    if (row < 1 || row > state_.UserCount())
        return false;
    const QString name = state_.Clients[size_t(row - 1)].Name;
    if (name.isEmpty())
        return false;
    if (!prompts_.askYesNo(QString(), state_.Catalog.Info[23], PromptFlags::YesNoQuestion))
        return false;

    ClientList shortened = state_.Clients;
    shortened.erase(shortened.begin() + (row - 1));
    QString error;
    if (!::SaveUserList(state_.UserListPath, shortened, &error)) {
        // The profile stays listed on disk, so its records must stay too.
        prompts_.showMessage(state_.Catalog.UserSetting[0], error, PromptFlags::Stop);
        return false;
    }
    state_.Clients = std::move(shortened);
    if (row <= loadedCount_)
        --loadedCount_;

    // A name read from an old list might point outside the data directory; such a file is left alone.
    if (ProfileNameProblem(name).isEmpty()) {
        const QString path = ActivityFilePath(state_.ExeDir, name);
        if (QFile::exists(path))
            QFile::remove(path);
    }
    state_.CurrentUser.clear();
    return true;
}

// ---- Save -----------------------------------------------------------------------------------------

SaveOutcome ProfileSession::SaveProfile(int row, bool editing, const ProfileForm& form)
{
    const TSoftInfo& cat = state_.Catalog;
    const QString caption = cat.UserSetting[0];
    if (form.Name.isEmpty()) {
        prompts_.showMessage(caption, cat.Info[13], PromptFlags::Plain);
        return {};
    }
    int s = row;
    if (!editing) {
        const QString problem = ProfileNameProblem(form.Name);
        if (!problem.isEmpty()) {
            prompts_.showMessage(caption, problem, PromptFlags::Stop);
            return {};
        }
        for (const TClient& c : state_.Clients) {
            if (c.Name == form.Name) {
                prompts_.showMessage(caption, QLatin1Char('"') + form.Name + QLatin1Char('"') + cat.Info[17],
                                     PromptFlags::Stop);
                return {};
            }
        }
        if (state_.UserCount() >= MaxClients) {
            prompts_.showMessage(caption, cat.Info[18], PromptFlags::Stop);
            return {};
        }
        s = state_.UserCount() + 1;
    } else if (s < 1 || s > state_.UserCount()) {
        return {};
    }

    // Whether the pedometer's units change can only be asked once they are known.
    const bool deviceKnown = state_.DownloadValid || DownloadIntoState();
    if (deviceKnown && form.Metric != state_.DeviceMetric
        && !prompts_.askYesNo(QString(), cat.Info[19], PromptFlags::YesNoQuestion))
        return {};
    if (deviceKnown)
        state_.DeviceMetric = form.Metric;

    // The stored distances are in the profile's own units, whatever the pedometer counts in.
    const bool storedUnitsChange = editing && (state_.Clients[size_t(s - 1)].Metric != 0) != form.Metric;
    auto fill = [&form](TClient& c) {
        c.Gender = form.Gender == 2 ? 2 : 1;
        c.Age = static_cast<uint8_t>(form.Age);
        c.Height = static_cast<uint16_t>(form.HeightH * 100 + form.HeightL);
        c.Weight = static_cast<uint16_t>(form.Weight);
        c.Steplength = static_cast<uint16_t>(form.Steplength);
        c.TargetSteps = static_cast<uint32_t>(form.Target);
        c.Metric = form.Metric ? 1 : 0;
    };
    if (!editing) {
        TClient client;
        client.Name = form.Name;
        fill(client);
        state_.Clients.push_back(client);
    } else {
        fill(state_.Clients[size_t(s - 1)]);
    }
    state_.Clients[size_t(s - 1)].TimeSync = form.TimeSync ? 1 : 0;

    // A new profile has no records yet; converting whatever list is in memory would convert another
    // user's file. The edited profile's own file is read afresh so that exactly what is stored gets
    // converted.
    if (storedUnitsChange) {
        DayRecordList records;
        if (LoadDayRecords(state_.activityFilePath(), records, cat, prompts_)) {
            state_.DayRecords = records;
            ConvertStoredDistances(form.Metric);
        }
    }

    SaveUserList();
    formTimeSync_ = form.TimeSync;
    return {true, s};
}

ActivateOutcome ProfileSession::ActivateSavedProfile(int row, bool editing, const ProfileForm& form)
{
    ActivateOutcome outcome;
    if (row < 1 || row > state_.UserCount())
        return outcome;
    if (!editing) {
        state_.CurrentUser = state_.Clients[size_t(row - 1)].Name;
        notifyActiveUser();
        if (!CreateActivityFile(state_.CurrentUser))
            return outcome;
    }
    if (!state_.DownloadValid) {
        // Sending now would write a unit flag that nobody read or confirmed, and a changed flag clears
        // the pedometer's days.
        prompts_.showMessage(state_.Catalog.UserSetting[0], PedometerNotReadText(), PromptFlags::Warning);
    } else if (SyncProfileWithDevice(true, form)) {
        outcome.ReadBack = TakeDeviceProfile(row);
    }
    outcome.Done = true;
    notifyActiveUser();
    return outcome;
}

// ---- OK -------------------------------------------------------------------------------------------

ChooseOutcome ProfileSession::ChooseProfile(int row, const QString& rowName, bool editing, bool doubleClicked)
{
    const TSoftInfo& cat = state_.Catalog;
    const int r = row;
    ChooseOutcome outcome;
    if (r < 1 || r > MaxClients || rowName.isEmpty()) {
        prompts_.showMessage(cat.UserSetting[0], cat.Info[14], PromptFlags::Warning);
        return outcome;
    }
    if (r > state_.UserCount())
        return outcome;

    const QString name = state_.Clients[size_t(r - 1)].Name;
    if (const QString refused = UnusableProfileText(name); !refused.isEmpty()) {
        prompts_.showMessage(cat.UserSetting[0], refused, PromptFlags::Stop);
        return outcome;
    }
    state_.CurrentUser = name;
    notifyActiveUser();
    formTimeSync_ = state_.Clients[size_t(r - 1)].TimeSync != 0;
    outcome.TimeSync = formTimeSync_;

    if (!editing && !CreateActivityFile(name))
        return outcome;

    const bool fromFile = r <= loadedCount_;
    // Without the pedometer's unit system the profile would be converted, and the pedometer reset, on
    // a guess: a failed start-up download is tried again first.
    bool deviceKnown = state_.DownloadValid || DownloadIntoState();
    if (!fromFile && deviceKnown) {
        TClient& p = state_.Clients[size_t(r - 1)];
        if ((p.Metric != 0) != state_.DeviceMetric) {
            outcome.FormMetric = p.Metric != 0;
            state_.DeviceMetric = p.Metric != 0;
        }
        pedometer_.SendProfileAndClock(state_.DeviceMetric, p.Steplength, p.Weight, p.TargetSteps);
        deviceKnown = DownloadIntoState();
    }

    if (deviceKnown) {
        TClient& p = state_.Clients[size_t(r - 1)];
        if ((p.Metric != 0) != state_.DeviceMetric) {
            prompts_.showMessage(cat.UserSetting[0], cat.Info[24], PromptFlags::Warning);
            DayRecordList records;
            if (LoadDayRecords(ActivityFilePath(state_.ExeDir, name), records, cat, prompts_)) {
                state_.DayRecords = records;
                ConvertStoredDistances(state_.DeviceMetric);
            }
            ConvertStoredHeight(p, state_.DeviceMetric);
        }
        if (doubleClicked)
            MergeDownload(false);
        MergeDownload(true);
        outcome.ReadBack = TakeDeviceProfile(r);
    }

    TClient& p = state_.Clients[size_t(r - 1)];
    state_.CurrentUser = name;
    outcome.Age = p.Age;
    outcome.Height = p.Height;
    if (deviceKnown)
        p.Metric = state_.DeviceMetric ? 1 : 0;
    if (fromFile && deviceKnown) {
        outcome.FormMetric = p.Metric != 0;
        pedometer_.SendProfileAndClock(state_.DeviceMetric, p.Steplength, p.Weight, p.TargetSteps);
    }
    SaveUserList();
    notifyActiveUser();
    outcome.Chosen = true;
    return outcome;
}

// ---- USER INFO ------------------------------------------------------------------------------------

ProfileForEditing ProfileSession::EditedProfile(int selectedRow) const
{
    // The active user's row is the one chosen at start-up; look it up by name should they differ.
    int row = selectedRow;
    if (row < 1 || row > state_.UserCount() || state_.Clients[size_t(row - 1)].Name != state_.CurrentUser) {
        for (int i = 0; i < state_.UserCount(); ++i) {
            if (state_.Clients[size_t(i)].Name == state_.CurrentUser)
                row = i + 1;
        }
    }
    ProfileForEditing edited;
    if (row < 1 || row > state_.UserCount())
        return edited;
    const TClient& p = state_.Clients[size_t(row - 1)];
    edited.Row = row;
    edited.Form.Name = p.Name;
    edited.Form.Gender = p.Gender == 2 || p.Gender == 1 ? p.Gender : 0;
    edited.Form.Age = p.Age;
    edited.Form.HeightH = p.Height / 100;
    edited.Form.HeightL = p.Height % 100;
    edited.HeightL = QStringLiteral("%1").arg(p.Height % 100, 2, 10, QLatin1Char('0'));
    edited.Form.Weight = p.Weight;
    edited.Form.Steplength = p.Steplength;
    edited.Form.Target = static_cast<int>(p.TargetSteps);
    edited.Form.Metric = p.Metric != 0;
    edited.Form.TimeSync = formTimeSync_;
    return edited;
}

// ---- the pedometer --------------------------------------------------------------------------------

bool ProfileSession::DownloadIntoState(ExchangeStart start)
{
    if (!AdoptDownload(state_, pedometer_.DownloadDeviceData(start)))
        return false;
    if (deviceUnitsRead_)
        deviceUnitsRead_();
    return true;
}

bool ProfileSession::SyncProfileWithDevice(bool report, const ProfileForm& form)
{
    pedometer_.SendProfileAndClock(state_.DeviceMetric, static_cast<uint16_t>(form.Steplength),
                                   static_cast<uint16_t>(form.Weight), static_cast<uint32_t>(form.Target));
    if (report && syncDelayMs_ > 0)
        QThread::msleep(static_cast<unsigned long>(syncDelayMs_));
    // A failed or partial download leaves nothing to merge: its zeros would pass for a day's values.
    if (!DownloadIntoState())
        return false;
    MergeDownload(report);
    return true;
}

DeviceProfileValues ProfileSession::TakeDeviceProfile(int row)
{
    TClient& p = state_.Clients[size_t(row - 1)];
    const ProfileValues device = DecodeProfileValues(state_.DownloadBlock);
    p.Steplength = device.Steplength;
    p.Weight = device.Weight;
    p.TargetSteps = device.TargetSteps;
    return {device.Steplength, device.Weight, device.TargetSteps};
}

bool ProfileSession::CreateActivityFile(const QString& name)
{
    const QString path = ActivityFilePath(state_.ExeDir, name);
    if (QFile::exists(path))
        return true;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        file.close();
        return true;
    }
    prompts_.showMessage(state_.Catalog.UserSetting[0], state_.Catalog.Info[16] + QStringLiteral("\r\n") + path,
                         PromptFlags::Stop);
    return false;
}

void ProfileSession::MergeDownload(bool report)
{
    ::MergeDownload(state_.DownloadBlock, state_.DownloadValid, today_(), state_.activityFilePath(),
                    state_.DayRecords, report, pedometer_.Connected(), state_.Catalog, prompts_);
}

void ProfileSession::ConvertStoredDistances(bool toMetric)
{
    ::ConvertStoredDistances(state_.DayRecords, toMetric, state_.activityFilePath(), state_.Catalog, prompts_);
}
