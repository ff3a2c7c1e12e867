#include "profiles/profile_session.h"

#include "platform/atomic_file.h"
#include "platform/prompts.h"
#include "platform/write_stop.h"
#include "profiles/pending_work.h"
#include "profiles/profile_name.h"
#include "profiles/units.h"
#include "profiles/user_list.h"
#include "protocol/pedometer_port.h"
#include "state/app_state.h"
#include "store/activity_file.h"
#include "store/download_log.h"
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
    // What a failure or a kill left half done; if it cannot be finished now, the next change tries again.
    FinishPendingWork();
    return true;
}

bool ProfileSession::SaveUserList()
{
    return SaveUserList(state_.Clients);
}

bool ProfileSession::SaveUserList(const ClientList& clients)
{
    QString error;
    if (::SaveUserList(state_.UserListPath, clients, &error))
        return true;
    showError(error);
    return false;
}

void ProfileSession::showError(const QString& text)
{
    prompts_.showMessage(state_.Catalog.UserSetting[0], text, PromptFlags::Stop);
}

QString ProfileSession::pendingPath() const
{
    return state_.ExeDir + QString::fromLatin1(PendingWorkFileName);
}

// ---- steps left half done -------------------------------------------------------------------------

bool ProfileSession::FinishPendingWork()
{
    PendingWork work = LoadPendingWork(pendingPath());
    if (work.empty())
        return true;
    const auto listed = [this](const QString& name) {
        for (size_t i = 0; i < state_.Clients.size(); ++i) {
            if (state_.Clients[i].Name == name)
                return int(i);
        }
        return -1;
    };
    QString error;
    if (work.Conversion) {
        const PendingConversion c = *work.Conversion;
        const int i = listed(c.Profile.Name);
        // Finished only while the list still has the profile in the old units; otherwise the list was
        // saved after the activity file, and the step was over but for removing its note.
        if (i >= 0 && ListedProfileNameProblem(c.Profile.Name).isEmpty()
            && state_.Clients[size_t(i)].Metric != c.Profile.Metric) {
            const QString path = ActivityFilePath(state_.ExeDir, c.Profile.Name);
            QFile file(path);
            QByteArray bytes;
            if (file.open(QIODevice::ReadOnly))
                bytes = file.read(MaxActivityFileBytes);
            file.close();
            bool converted = ActivityHash(bytes) == c.ToHash;
            if (!converted && ActivityHash(bytes) == c.FromHash) {
                const QByteArray after = ConvertedActivityBytes(bytes, c.Profile.Metric != 0);
                if (ActivityHash(after) == c.ToHash) {
                    if (!WriteFileAtomically(path, after, &error)) {
                        showError(error);
                        return false;
                    }
                    converted = true;
                }
            }
            // An activity file that is neither is left alone with the list: something else wrote it.
            if (converted) {
                ClientList updated = state_.Clients;
                updated[size_t(i)] = c.Profile;
                if (!SaveUserList(updated))
                    return false;
                state_.Clients = std::move(updated);
            }
        }
        work.Conversion.reset();
    }
    const QStringList names = work.Deletions;
    for (const QString& name : names) {
        // A listed name's file belongs to that profile, and an unusable name's file is not ours.
        if (listed(name) < 0 && ListedProfileNameProblem(name).isEmpty()) {
            QString why;
            if (!RemoveUserFiles(name, &why)) {
                failedDeletions_[name] = why;
                continue;
            }
        }
        failedDeletions_.remove(name);
        work.Deletions.removeAll(name);
    }
    if (!SavePendingWork(pendingPath(), work, &error)) {
        showError(error);
        return false;
    }
    return true;
}

bool ProfileSession::ConvertUserHistory(const ClientList& updated, int index)
{
    const TClient& after = updated[size_t(index)];
    const QString path = ActivityFilePath(state_.ExeDir, after.Name);
    DayRecordList records;
    QByteArray before;
    bool readable = LoadDayRecords(path, records, state_.Catalog, prompts_);
    if (readable) {
        QFile file(path);
        readable = file.open(QIODevice::ReadOnly);
        before = file.read(MaxActivityFileBytes);
        readable = readable && file.error() == QFileDevice::NoError;
    }
    // Without readable records only the profile changes, as when nothing was stored.
    if (!readable)
        return SaveUserList(updated);

    // The activity file and the list change together: the note written first lets the next try finish
    // a step that stopped between the two writes, instead of converting the distances again.
    const QByteArray converted = ConvertedActivityBytes(before, after.Metric != 0);
    PendingWork work = LoadPendingWork(pendingPath());
    work.Conversion = PendingConversion{ActivityHash(before), ActivityHash(converted), after};
    QString error;
    if (!SavePendingWork(pendingPath(), work, &error)) {
        showError(error);
        return false;
    }
    if (!SaveDayRecords(path, DayRecordsFromBytes(converted), state_.Catalog, prompts_)) {
        work.Conversion.reset();
        SavePendingWork(pendingPath(), work);
        return false;
    }
    state_.DayRecords = DayRecordsFromBytes(converted);
    if (!SaveUserList(updated))
        return false;
    // Left behind, the note is harmless: the list already holds the profile in the new units.
    work.Conversion.reset();
    SavePendingWork(pendingPath(), work);
    return true;
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
    // The defaults follow the pedometer's unit system, which a failed start-up download left unread. A New
    // the window makes by itself leaves that to the start-up worker, which goes on trying: a pedometer
    // that did not answer it would hold the window still for two exchange time-outs.
    if (!state_.DownloadValid && start == ExchangeStart::ByUser)
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
    if (!FinishPendingWork())
        return false;

    ClientList shortened = state_.Clients;
    shortened.erase(shortened.begin() + (row - 1));
    // A name read from an old list might point outside the data directory; such a file is left alone.
    const bool removeFile = ListedProfileNameProblem(name).isEmpty()
        && (QFile::exists(ActivityFilePath(state_.ExeDir, name)) || QFile::exists(DownloadLogPath(state_.ExeDir, name)));
    // Noted before the list changes: if the file outlives the profile (a failed removal, a kill), it is
    // removed later and never becomes the history of a new profile of the same name.
    PendingWork work = LoadPendingWork(pendingPath());
    QString error;
    if (removeFile && !work.Deletions.contains(name)) {
        work.Deletions.append(name);
        if (!SavePendingWork(pendingPath(), work, &error)) {
            showError(error);
            return false;
        }
    }
    if (!SaveUserList(shortened)) {
        // The profile stays listed on disk, so its records must stay too.
        work.Deletions.removeAll(name);
        SavePendingWork(pendingPath(), work);
        return false;
    }
    state_.Clients = std::move(shortened);
    if (row <= loadedCount_)
        --loadedCount_;
    state_.CurrentUser.clear();

    if (removeFile) {
        QString why;
        if (!RemoveUserFiles(name, &why)) {
            failedDeletions_[name] = why;
            showError(why);
            return true;
        }
        work.Deletions.removeAll(name);
        SavePendingWork(pendingPath(), work);
    }
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
    if (!FinishPendingWork())
        return {};
    if (!editing && failedDeletions_.contains(form.Name)) {
        // The records of an earlier profile of this name are still there and must not become its history.
        showError(failedDeletions_.value(form.Name));
        return {};
    }

    // Whether the pedometer's units change can only be asked once they are known.
    const bool deviceKnown = state_.DownloadValid || DownloadIntoState();
    if (deviceKnown && form.Metric != state_.DeviceMetric
        && !prompts_.askYesNo(QString(), cat.Info[19], PromptFlags::YesNoQuestion))
        return {};

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
    // Changed in memory only once the list is on disk: a failed save leaves the window as it was.
    ClientList updated = state_.Clients;
    if (!editing) {
        TClient client;
        client.Name = form.Name;
        fill(client);
        updated.push_back(client);
    } else {
        fill(updated[size_t(s - 1)]);
    }
    updated[size_t(s - 1)].TimeSync = form.TimeSync ? 1 : 0;

    // A new profile has no records yet; converting whatever list is in memory would convert another
    // user's file. The edited profile's own file is read afresh so that exactly what is stored gets
    // converted.
    if (storedUnitsChange ? !ConvertUserHistory(updated, s - 1) : !SaveUserList(updated))
        return {};
    state_.Clients = std::move(updated);
    if (deviceKnown)
        state_.DeviceMetric = form.Metric;
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
    } else {
        const StepResult synced = SyncProfileWithDevice(true, form);
        if (synced == StepResult::WriteFailed)
            return outcome;
        if (synced == StepResult::Done)
            outcome.ReadBack = TakeDeviceProfile(state_.Clients[size_t(row - 1)]);
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
    if (!FinishPendingWork())
        return outcome;
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
        const TClient& p = state_.Clients[size_t(r - 1)];
        const bool metric = p.Metric != 0;
        if (SendProfileKeepingDays(metric, p.Steplength, p.Weight, p.TargetSteps) == StepResult::WriteFailed)
            return outcome;
        if (metric != state_.DeviceMetric) {
            outcome.FormMetric = metric;
            state_.DeviceMetric = metric;
        }
        deviceKnown = DownloadIntoState();
    }

    // Every step that writes a file stops the choice when the write fails (told); the window stays
    // open, and OK again finishes the job.
    if (deviceKnown) {
        const TClient& p = state_.Clients[size_t(r - 1)];
        if ((p.Metric != 0) != state_.DeviceMetric) {
            prompts_.showMessage(cat.UserSetting[0], cat.Info[24], PromptFlags::Warning);
            ClientList updated = state_.Clients;
            TClient& converted = updated[size_t(r - 1)];
            ConvertStoredHeight(converted, state_.DeviceMetric);
            converted.Metric = state_.DeviceMetric ? 1 : 0;
            if (!ConvertUserHistory(updated, r - 1))
                return outcome;
            state_.Clients = std::move(updated);
        }
        if (doubleClicked && MergeDownload(false) == MergeOutcome::SaveFailed)
            return outcome;
        if (MergeDownload(true) == MergeOutcome::SaveFailed)
            return outcome;
    }

    ClientList updated = state_.Clients;
    TClient& p = updated[size_t(r - 1)];
    if (deviceKnown) {
        outcome.ReadBack = TakeDeviceProfile(p);
        p.Metric = state_.DeviceMetric ? 1 : 0;
    }
    // The list before the pedometer: a profile the list could not keep is not sent.
    if (!SaveUserList(updated))
        return outcome;
    state_.Clients = std::move(updated);
    const TClient& saved = state_.Clients[size_t(r - 1)];
    state_.CurrentUser = name;
    outcome.Age = saved.Age;
    outcome.Height = saved.Height;
    if (fromFile && deviceKnown) {
        outcome.FormMetric = saved.Metric != 0;
        pedometer_.SendProfileAndClock(state_.DeviceMetric, saved.Steplength, saved.Weight, saved.TargetSteps);
    }
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

ProfileSession::StepResult ProfileSession::SendProfileKeepingDays(bool metric, uint16_t steplength, uint16_t weight,
                                                                  uint32_t targetSteps)
{
    if (state_.DownloadValid && DecodeProfileValues(state_.DownloadBlock).Metric != metric) {
        // Other units clear the pedometer's days: they reach the current user's file first, in the units
        // of its profile.
        const DownloadResult fresh = pedometer_.DownloadDeviceData();
        if (!fresh.Complete)
            return StepResult::DeviceFailed;
        if (fresh.Metric != metric) {
            std::optional<bool> storedUnits;
            for (const TClient& c : state_.Clients) {
                if (c.Name == state_.CurrentUser && (c.Metric != 0) != fresh.Metric)
                    storedUnits = c.Metric != 0;
            }
            const QDate today = today_();
            const MergeOutcome merged = ::MergeDownload(fresh.Block, true, today, state_.activityFilePath(),
                                                        state_.DayRecords, false, pedometer_.Connected(),
                                                        state_.Catalog, prompts_, storedUnits);
            LogDownload(fresh.Block, today, merged);
            if (merged != MergeOutcome::Saved)
                return StepResult::WriteFailed;
        }
    }
    pedometer_.SendProfileAndClock(metric, steplength, weight, targetSteps);
    return StepResult::Done;
}

ProfileSession::StepResult ProfileSession::SyncProfileWithDevice(bool report, const ProfileForm& form)
{
    const StepResult sent =
        SendProfileKeepingDays(state_.DeviceMetric, static_cast<uint16_t>(form.Steplength),
                               static_cast<uint16_t>(form.Weight), static_cast<uint32_t>(form.Target));
    if (sent != StepResult::Done)
        return sent;
    if (report && syncDelayMs_ > 0)
        QThread::msleep(static_cast<unsigned long>(syncDelayMs_));
    // A failed or partial download leaves nothing to merge: its zeros would pass for a day's values.
    if (!DownloadIntoState())
        return StepResult::DeviceFailed;
    return MergeDownload(report) == MergeOutcome::SaveFailed ? StepResult::WriteFailed : StepResult::Done;
}

DeviceProfileValues ProfileSession::TakeDeviceProfile(TClient& p)
{
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
    if (!FileWriteFails() && file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        file.close();
        return true;
    }
    prompts_.showMessage(state_.Catalog.UserSetting[0], state_.Catalog.Info[16] + QStringLiteral("\r\n") + path,
                         PromptFlags::Stop);
    return false;
}

MergeOutcome ProfileSession::MergeDownload(bool report)
{
    const QDate today = today_();
    const MergeOutcome merged = ::MergeDownload(state_.DownloadBlock, state_.DownloadValid, today,
                                                state_.activityFilePath(), state_.DayRecords, report,
                                                pedometer_.Connected(), state_.Catalog, prompts_);
    LogDownload(state_.DownloadBlock, today, merged);
    return merged;
}

void ProfileSession::LogDownload(const MemoryImage& image, const QDate& today, MergeOutcome merged)
{
    if (merged == MergeOutcome::NotComplete || state_.CurrentUser.isEmpty()
        || !ListedProfileNameProblem(state_.CurrentUser).isEmpty())
        return;
    DownloadLogEntry entry;
    entry.When = now_();
    // The log's date must be the day the merge took for today, or the days it names would shift by one.
    if (entry.When.date() != today) {
        const QDateTime onToday(today, entry.When.time());
        entry.When = onToday.isValid() ? onToday : QDateTime(today, QTime(12, 0));
    }
    entry.Image = image;
    // The log only adds to what the activity file holds: a failed write loses no record, and the next
    // download writes the whole log again.
    AppendDownloadLog(DownloadLogPath(state_.ExeDir, state_.CurrentUser), entry);
}

bool ProfileSession::RemoveUserFiles(const QString& name, QString* why)
{
    for (const QString& path : { ActivityFilePath(state_.ExeDir, name), DownloadLogPath(state_.ExeDir, name) }) {
        QFile file(path);
        if (file.exists() && (FileWriteFails() || !file.remove())) {
            *why = path + QStringLiteral("\r\n")
                + (file.error() != QFileDevice::NoError ? file.errorString()
                                                        : QString::fromLatin1(InjectedWriteErrorText()));
            return false;
        }
    }
    return true;
}

