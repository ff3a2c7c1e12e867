#pragma once

#include "profiles/client.h"
#include "protocol/memory_image.h"
#include "protocol/pedometer_port.h"
#include "store/merge.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

struct AppState;
class Prompts;

// What the profile editor holds when Save is pressed, its edits read as decimal numbers (0 when a
// text is not a number).
struct ProfileForm {
    QString Name;
    int Gender = 0;        // 2: the male marker is shown, 1: the female one, 0: neither
    int Age = 0;
    int HeightH = 0;       // metres or feet
    int HeightL = 0;       // centimetres or inches
    int Weight = 0;        // kg or lb
    int Steplength = 0;    // cm or inch
    int Target = 0;        // daily step target
    bool Metric = false;   // the editor's unit system
    bool TimeSync = true;
};

// The texts of one list row.
struct ProfileRow {
    QString Name;
    QString Gender;
};

// What New puts into the list and the editor, as texts.
struct NewProfileDefaults {
    int Row = 0;                // the row the new profile will take
    ProfileRow RowTexts;        // "New User" and its gender
    int Gender = 0;             // 2 or 1 selects that marker; 0 leaves the markers as they are
    QString Name, Age, HeightH, HeightL, Weight, Steplength, Target;
    bool Metric = false;
};

// The profile the editor opens on for USER INFO.
struct ProfileForEditing {
    int Row = 0;                // 1-based, 0 when the active user is not in the list
    ProfileForm Form;
    QString HeightL;            // two digits
};

// The pedometer's step length, weight and step target, taken into a profile after a download.
struct DeviceProfileValues {
    uint16_t Steplength = 0;
    uint16_t Weight = 0;
    uint32_t TargetSteps = 0;
};

// What choosing a profile with OK did, for the editor's fields.
struct ChooseOutcome {
    bool Chosen = false;              // the window may close
    std::optional<bool> TimeSync;     // the chosen profile's setting, once it was looked at
    std::optional<bool> FormMetric;   // the editor's unit system follows the pedometer's
    std::optional<DeviceProfileValues> ReadBack;
    int Age = 0;
    int Height = 0;
};

// What Save did.
struct SaveOutcome {
    bool Saved = false;   // the list holds the profile; otherwise nothing changed
    int Row = 0;
};

// What activating a saved profile did.
struct ActivateOutcome {
    bool Done = false;    // false: the activity file could not be created (told); the window stays open
    std::optional<DeviceProfileValues> ReadBack;
};

// The workflows of the user list, the profile editor and the choice of the active user, without any
// widget: the list file (with a copy kept of a damaged one), New's defaults, Del, Save with its checks,
// the unit question and the conversion of stored distances, OK, the activation after Save, the
// profile's synchronization with the pedometer and the read-back of its values.
//
// Works on the program state, talks to the pedometer through PedometerPort and to the user through
// Prompts, all three owned by the caller and outliving the session. Rows are 1-based. The caller
// keeps the selection and the window's mode (start-up selection or editing) and passes them in.
//
// The pedometer's unit system is known only after a complete download (state.DownloadValid). While
// it is unknown, nothing that depends on it is sent or converted: New and Save first try a download,
// and a profile saved meanwhile goes into the list only, and the user is told.
class ProfileSession {
public:
    ProfileSession(AppState& state, PedometerPort& pedometer, Prompts& prompts);

    // The rest between upload and download when synchronizing, 500 ms; tests shorten it.
    void setSyncDelayMs(int ms) { syncDelayMs_ = ms; }
    // The local clock's date, for the merge; tests fix it.
    void setTodaySource(std::function<QDate()> today) { today_ = std::move(today); }
    // The local clock, for the download log (its date yields to the merge's today); tests fix it.
    void setNowSource(std::function<QDateTime()> now) { now_ = std::move(now); }
    // Called whenever CurrentUser changed or the active profile was synchronized.
    void setActiveUserChanged(std::function<void()> f) { activeUserChanged_ = std::move(f); }
    // Called after every complete download, when the pedometer's unit system is known.
    void setDeviceUnitsRead(std::function<void()> f) { deviceUnitsRead_ = std::move(f); }

    // Reads the list file, or writes the empty list when there is none. False when the file exists but
    // cannot be read: startupError() says why and nothing may be written over it. A damaged file is
    // kept beside it as Kinetrax.dat.damaged before anything rewrites it. Makes the first profile
    // current when its name is usable.
    bool LoadUserList();
    QString startupError() const { return startupError_; }
    bool userListLoaded() const { return userListLoaded_; }
    // Profiles read from the file at start-up; rows above it are new in this run.
    int LoadedCount() const { return loadedCount_; }
    // The time-sync setting of the profile last chosen or saved.
    bool FormTimeSync() const { return formTimeSync_; }

    // The list rows, one per profile, in list order.
    std::vector<ProfileRow> Rows() const;
    // A new profile's row while it is being typed.
    ProfileRow PreviewRow(const ProfileForm& form) const;
    // Whether the editor's unit captions name metric units: the pedometer's system once it is known,
    // otherwise the system the editor shows.
    bool UnitCaptionsMetric(bool formMetric) const;

    // New: the defaults in the pedometer's unit system, or nothing when the list is full (told). While
    // that system is unread, New downloads first; start says whether the user asked for New.
    std::optional<NewProfileDefaults> NewProfile(ExchangeStart start = ExchangeStart::ByUser);
    // Del of row: asks, then removes the profile and deletes its activity file and download log, but
    // only once the shortened list is saved. True when the profile is gone; on a failed save the user is told and
    // the list and the file stay as they were. A file that cannot be deleted is reported and deleted
    // later; until then a new profile of that name is refused.
    bool DeleteProfile(int row);
    // Save: checks, the unit question, building or updating the profile, the conversion of the active
    // user's stored distances when its unit system changes, and the list save. editing: USER INFO's
    // editor on row, otherwise a new profile. Messages and questions go to the user.
    SaveOutcome SaveProfile(int row, bool editing, const ProfileForm& form);
    // The steps after a successful Save: a new profile becomes the current user and gets its activity
    // file; the profile is synchronized with the pedometer and its values read back.
    ActivateOutcome ActivateSavedProfile(int row, bool editing, const ProfileForm& form);
    // OK (or a double-click) on row, whose list text is rowName.
    ChooseOutcome ChooseProfile(int row, const QString& rowName, bool editing, bool doubleClicked);
    // USER INFO: the active user's profile; its row is selectedRow when that holds the current user.
    ProfileForEditing EditedProfile(int selectedRow) const;

    bool SaveUserList();

private:
    enum class StepResult { Done, DeviceFailed, WriteFailed };

    bool SaveUserList(const ClientList& clients);
    // Finishes a conversion that stopped between the activity file and the list, and removes the files
    // of deleted profiles that outlived them. False when a write failed (told).
    bool FinishPendingWork();
    // Converts the stored distances of updated[index] to its Metric and saves updated as the list, so
    // that a failure or a kill anywhere leaves the distances converted exactly once or not at all.
    bool ConvertUserHistory(const ClientList& updated, int index);
    // Sends the profile; when its units differ from the pedometer's, which then clears its days, the
    // days are first merged into the current user's file, and nothing is sent when they cannot be.
    StepResult SendProfileKeepingDays(bool metric, uint16_t steplength, uint16_t weight, uint32_t targetSteps);
    bool DownloadIntoState(ExchangeStart start = ExchangeStart::ByUser);
    StepResult SyncProfileWithDevice(bool report, const ProfileForm& form);
    DeviceProfileValues TakeDeviceProfile(TClient& p);
    bool CreateActivityFile(const QString& name);
    MergeOutcome MergeDownload(bool report);
    // Notes a download that reached the merge in the current user's download log, whatever the merge
    // made of it: the image keeps the pedometer's values where the activity file did not take them.
    void LogDownload(const MemoryImage& image, const QDate& today, MergeOutcome merged);
    // Removes the activity file and the download log of a profile no longer listed. On false why holds
    // the file and the platform's error; what was removed stays removed.
    bool RemoveUserFiles(const QString& name, QString* why);
    void showError(const QString& text);
    QString pendingPath() const;
    QString genderText(int gender) const;
    void notifyActiveUser();

    AppState& state_;
    PedometerPort& pedometer_;
    Prompts& prompts_;
    int syncDelayMs_ = 500;
    std::function<QDate()> today_ = [] { return QDate::currentDate(); };
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
    std::function<void()> activeUserChanged_;
    std::function<void()> deviceUnitsRead_;
    QString startupError_;
    bool userListLoaded_ = false;
    int loadedCount_ = 0;
    bool formTimeSync_ = true;
    // Names whose old activity file could not be removed, with the path and the platform's error.
    QHash<QString, QString> failedDeletions_;
};

// Shown when a profile was saved in the list only, because the pedometer's unit system could not be
// read (the catalog has no text for it).
QString PedometerNotReadText();
