#pragma once

#include "profiles/profile_session.h"

#include <QDate>
#include <QDialog>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

struct AppState;
struct BodyEditTexts;
struct MasterValues;
class PedometerPort;
class Prompts;
class QLabel;
class QLineEdit;
namespace Ui {
class TForm2;
}

// The settings window: the list of up to eight profiles (New, Del, OK) and the profile editor (Save,
// Exit). Built once at start-up on the main window's state, the pedometer and the prompts; it never
// sees the main window and tells it what changed through signals. Shown modally twice in a run: for
// the start-up selection (OpenForChoosing), and by USER INFO (SetBtnClick) to edit the active profile.
// The workflows are the ProfileSession's; the window collects the editor into a ProfileForm, calls the
// session and shows what it returns.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    // Reads the user list (or writes the empty one when it is missing) and makes its first profile
    // the current user (state.CurrentUser; the caller puts it in its caption once connected). When the
    // list file exists but cannot be read, startupError() says so and the program must end: writing a
    // new list over it would lose every profile.
    TForm2(AppState& state, PedometerPort& pedometer, Prompts& prompts, QWidget* parent = nullptr);
    ~TForm2() override;

    QString startupError() const { return session_.startupError(); }

    // The start-up selection: the list alone, shown modally until OK, Save or the window's close.
    void OpenForChoosing();
    // The list alone, as the start-up selection shows it, without showing the window.
    void ShowListOnly();

    // USER INFO: opens the editor on the active profile and shows the window modally until Save or
    // Exit. Afterwards, with no profile left, quitRequested() is emitted.
    void SetBtnClick();
    // Sets the three unit captions to the pedometer's unit system once it is known, otherwise to the
    // editor's. Run after every complete download; the loading window's download reaches it through
    // the main window.
    void ShowDeviceUnitCaptions();

    // The synchronization's rest between upload and download, 500 ms; tests shorten it.
    void setSyncDelayMs(int ms) { session_.setSyncDelayMs(ms); }
    // The local clock's date, for the merge; tests fix it.
    void setTodaySource(std::function<QDate()> today) { session_.setTodaySource(std::move(today)); }

    // Operations used by the handlers and by tests.
    void HighlightRow(int r);
    void PreviewNewRow();
    void CloseSettings();
    void CentreOnScreen();
    void NormalizeEditor();

    // Handlers of the form's controls (the list, the editor and the hidden unit and target selectors).
    void NewBtnClick();
    void DelBtnClick();
    void OKBtnClick();
    void SaveBtnClick();
    void CancelBtnClick();
    void UserInfoImageDblClick();
    void MaleLabelClick();
    void FemaleLabelClick();
    void HeightUnitRadioBtn1Click();
    void HeightUnitRadioBtn2Click();
    void TargetStepRadiobtnClick();
    void TargetDistanceRadiobtnClick();
    void TargetCalorieRadiobtnClick();

    // Window state, read by tests and by the main window.
    int selectedRow() const { return SelectedRow; }
    bool editMode() const { return EditMode; }
    int loadedCount() const { return session_.LoadedCount(); }
    // The list file held a "[Client]" line and was read at start-up.
    bool userListLoaded() const { return session_.userListLoaded(); }
    bool formMetric() const { return FormMetric; }
    int formTarget() const { return FormTarget; }
    int targetKind() const { return TargetKind; }
    float heightCm() const { return HeightCm; }
    float weightKg() const { return WeightKg; }
    float steplengthCm() const { return SteplengthCm; }

signals:
    // CurrentUser changed or the active profile was synchronized: the caption and TODAY follow.
    void activeUserChanged();
    // The RECORD charts must reload the active user's records.
    void userRecordChanged();
    // The window was closed during the start-up selection, or no profile is left: the program ends.
    void quitRequested();
    // The window's minimize button: the whole application goes to the task bar.
    void minimizeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormPaint();
    void newProfile(ExchangeStart start);
    void UserNameLabelMouseDown(int tag);
    void UserInfoImageMouseDown(int y);
    void UserInfoImageMouseMove(QWidget* image, int y);
    void NameEditChange();
    void DataEditHChange();
    void TargetStepEditChange();
    void TargetEditChange();
    void ShowTargetUnit();
    void ShowMetricValues();
    void ShowImperialValues();
    void LoadMasterValues();
    void SetEditorMetric(bool metric);
    void selectTargetKind(int kind);
    void writeTargetEdit(const QString& text);
    MasterValues master() const;
    BodyEditTexts bodyTexts() const;
    void setBodyTexts(const BodyEditTexts& texts);
    ProfileForm collectForm() const;
    void showReadBack(const DeviceProfileValues& values);
    void showRows();
    void showRow(int r, const ProfileRow& row, int nameWidth);

    void bindKeys();
    // Accessible names of the buttons and rows, from the texts they show.
    void nameButtons();
    // Up, Down, Home and End move the selection among the profiles; Enter is OK.
    bool rowKey(int r, int key);
    void updateRowFocus();
    void rowFocused(QObject* watched, Qt::FocusReason reason);
    void setRowText(QLabel* label, const QString& text, int maxWidth);
    void clearRows(int fromRow);
    void layoutPanels();
    bool maleChosen() const;
    bool femaleChosen() const;
    static int editValue(const QLineEdit* edit);
    void setEditText(QLineEdit* edit, const QString& text);

    std::unique_ptr<Ui::TForm2> ui;
    AppState& state_;
    Prompts& prompts_;
    ProfileSession session_;
    std::array<QLabel*, 8> nameRows_{};
    std::array<QLabel*, 8> genderRows_{};
    bool closing_ = false;
    std::vector<std::pair<QWidget*, QLabel*>> buttonCaptions_;

    int SelectedRow = 0;
    bool EditMode = false;
    bool WelcomeShown = false;
    bool DoubleClicked = false;
    bool FormMetric = false;
    bool Updating = false;
    float HeightCm = 0;
    float WeightKg = 0;
    float SteplengthCm = 0;
    int FormTarget = 0;
    int TargetKind = 0;
};
