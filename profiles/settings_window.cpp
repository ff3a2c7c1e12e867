#include "profiles/settings_window.h"

#include "forms/click_binder.h"
#include "platform/prompts.h"
#include "platform/window_placement.h"
#include "profiles/units.h"
#include "state/app_state.h"

#include "ui_settings_window.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

namespace {

constexpr int RowPitch = 40;
constexpr int ListRowWidth = 140;    // a listed name is clipped to this width
constexpr int PreviewRowWidth = 240; // a name being typed may use more of the row
constexpr int WindowHeight = 472;

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

}

TForm2::TForm2(AppState& state, PedometerPort& pedometer, Prompts& prompts, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TForm2>()), state_(state), prompts_(prompts),
      session_(state, pedometer, prompts)
{
    session_.setActiveUserChanged([this] { emit activeUserChanged(); });
    session_.setDeviceUnitsRead([this] { ShowDeviceUnitCaptions(); });
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    nameRows_ = {ui->UserNameLabel1, ui->UserNameLabel2, ui->UserNameLabel3, ui->UserNameLabel4,
                 ui->UserNameLabel5, ui->UserNameLabel6, ui->UserNameLabel7, ui->UserNameLabel8};
    genderRows_ = {ui->UserGenderLabel1, ui->UserGenderLabel2, ui->UserGenderLabel3, ui->UserGenderLabel4,
                   ui->UserGenderLabel5, ui->UserGenderLabel6, ui->UserGenderLabel7, ui->UserGenderLabel8};
    ui->UserShape1->setAttribute(Qt::WA_TransparentForMouseEvents);

    // Clicks and pointer moves of the labels and images that act as buttons and list rows.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    for (QWidget* w : {static_cast<QWidget*>(ui->UserInfoImage), static_cast<QWidget*>(ui->ShapeImage),
                       static_cast<QWidget*>(ui->UserPanel2), static_cast<QWidget*>(this)})
        w->setMouseTracking(true);
    for (QLabel* label : ui->UserPanel2->findChildren<QLabel*>())
        label->setMouseTracking(true);

    bindKeys();

    connect(ui->NameEdit, &QLineEdit::textChanged, this, &TForm2::NameEditChange);
    for (QLineEdit* edit : {ui->HeightEditH, ui->HeightEditL, ui->WeightEdit, ui->SteplengthEdit})
        connect(edit, &QLineEdit::textChanged, this, &TForm2::DataEditHChange);
    connect(ui->TargetStepEdit, &QLineEdit::textChanged, this, &TForm2::TargetStepEditChange);
    connect(ui->TargetEdit, &QLineEdit::textChanged, this, &TForm2::TargetEditChange);
    connect(ui->HeightUnitRadioBtn1, &QRadioButton::clicked, this, &TForm2::HeightUnitRadioBtn1Click);
    connect(ui->HeightUnitRadioBtn2, &QRadioButton::clicked, this, &TForm2::HeightUnitRadioBtn2Click);
    // The weight and step-length selectors choose the same system for all three quantities.
    connect(ui->WeightUnitRadioBtn1, &QRadioButton::clicked, this, &TForm2::HeightUnitRadioBtn1Click);
    connect(ui->WeightUnitRadioBtn2, &QRadioButton::clicked, this, &TForm2::HeightUnitRadioBtn2Click);
    connect(ui->SteplengthUnitRadioBtn1, &QRadioButton::clicked, this, &TForm2::HeightUnitRadioBtn1Click);
    connect(ui->SteplengthUnitRadioBtn2, &QRadioButton::clicked, this, &TForm2::HeightUnitRadioBtn2Click);
    connect(ui->TargetStepRadiobtn, &QRadioButton::clicked, this, &TForm2::TargetStepRadiobtnClick);
    connect(ui->TargetDistanceRadiobtn, &QRadioButton::clicked, this, &TForm2::TargetDistanceRadiobtnClick);
    connect(ui->TargetCalorieRadiobtn, &QRadioButton::clicked, this, &TForm2::TargetCalorieRadiobtnClick);

    for (QWidget* w : {static_cast<QWidget*>(ui->HeightUnitLabel), static_cast<QWidget*>(ui->WeightUnitLabel),
                       static_cast<QWidget*>(ui->SteplengthUnitLabel), static_cast<QWidget*>(ui->TargetStepUnitLabel),
                       static_cast<QWidget*>(ui->TargetStepEdit), static_cast<QWidget*>(ui->TargetStepLabel)})
        w->show();
    for (QWidget* w : {static_cast<QWidget*>(ui->HeightPanel), static_cast<QWidget*>(ui->WeightPanel),
                       static_cast<QWidget*>(ui->SteplengthPanel), static_cast<QWidget*>(ui->TargetGroupBox),
                       static_cast<QWidget*>(ui->TimeSyncCheckBox)})
        w->hide();

    const auto& us = state_.Catalog.UserSetting;
    const auto& ub = state_.Catalog.UserButton;
    setWindowTitle(us[0]);
    ui->NameLabel1->setText(us[1]);
    ui->GenderLabel1->setText(us[2]);
    ui->NameLabel->setText(us[3]);
    ui->GenderLabel->setText(us[4]);
    ui->MaleLabel->setText(us[5]);
    ui->FemaleLabel->setText(us[6]);
    ui->AgeLabel->setText(us[7]);
    ui->HeightLabel->setText(us[8]);
    ui->HeightUnitRadioBtn1->setText(us[9]);
    ui->HeightUnitRadioBtn2->setText(us[10]);
    ui->WeightLabel->setText(us[11]);
    ui->WeightUnitRadioBtn1->setText(us[12]);
    ui->WeightUnitRadioBtn2->setText(us[13]);
    ui->SteplengthLabel->setText(us[14]);
    ui->SteplengthUnitRadioBtn1->setText(us[15]);
    ui->SteplengthUnitRadioBtn2->setText(us[16]);
    ui->TargetGroupBox->setTitle(us[17]);
    ui->TargetStepRadiobtn->setText(us[18]);
    ui->TargetDistanceRadiobtn->setText(us[19]);
    ui->TargetCalorieRadiobtn->setText(us[20]);
    ui->TimeSyncCheckBox->setText(us[21]);
    ui->UserLabel1->setText(us[22]);
    ui->UserLabel2->setText(us[23]);
    ui->NewLabel->setText(ub[0]);
    ui->DelLabel->setText(ub[1]);
    ui->OkLabel->setText(ub[2]);
    ui->SaveLabel->setText(ub[3]);
    ui->ExitLabel->setText(ub[4]);

    clearRows(1);
    layoutPanels();
    SelectedRow = 0;
    WelcomeShown = false;

    if (session_.LoadUserList()) {
        showRows();
        if (session_.userListLoaded() && state_.UserCount() > 0)
            SelectedRow = 1;
    }

    EditMode = false;
    DoubleClicked = false;
    Updating = false;
}

TForm2::~TForm2() = default;

void TForm2::bindKeys()
{
    // The pictures take the focus and the keys; their captions lie on them and keep only the click.
    struct Button {
        QWidget* image;
        QLabel* caption;
        void (TForm2::*click)();
        QAccessible::Role role;
        bool (TForm2::*on)() const;
    };
    const Button buttons[] = {
        {ui->NewImage, ui->NewLabel, &TForm2::NewBtnClick, QAccessible::Button, nullptr},
        {ui->DelImage, ui->DelLabel, &TForm2::DelBtnClick, QAccessible::Button, nullptr},
        {ui->OkImage, ui->OkLabel, &TForm2::OKBtnClick, QAccessible::Button, nullptr},
        {ui->MaleImage1, ui->MaleLabel, &TForm2::MaleLabelClick, QAccessible::RadioButton, &TForm2::maleChosen},
        {ui->FemaleImage, ui->FemaleLabel, &TForm2::FemaleLabelClick, QAccessible::RadioButton,
         &TForm2::femaleChosen},
        {ui->SaveImage, ui->SaveLabel, &TForm2::SaveBtnClick, QAccessible::Button, nullptr},
        {ui->ExitImage, ui->ExitLabel, &TForm2::CancelBtnClick, QAccessible::Button, nullptr},
    };
    for (const Button& b : buttons) {
        BindKeys(b.image, [this, click = b.click] { (this->*click)(); });
        std::function<bool()> on;
        if (b.on)
            on = [this, f = b.on] { return (this->*f)(); };
        SetControlRole(b.image, b.role, on);
        buttonCaptions_.push_back({b.image, b.caption});
    }
    for (int i = 0; i < MaxClients; ++i) {
        QLabel* row = nameRows_[size_t(i)];
        // A press on a row selects it; Enter chooses it, as OK does.
        BindKeys(row, [this, i] {
            if (ui->UserPanel2->isHidden())
                UserNameLabelMouseDown(i);
        });
        BindMoreKeys(row, [this, i](int key) { return rowKey(i + 1, key); });
        SetControlRole(row, QAccessible::ListItem, [this, i] { return SelectedRow == i + 1; });
        SetFocusMarkArea(row, ui->UserShape1);
    }
    QList<QWidget*> order;
    for (QLabel* row : nameRows_)
        order << row;
    order << ui->NewImage << ui->DelImage << ui->OkImage << ui->NameEdit << ui->MaleImage1 << ui->FemaleImage
          << ui->AgeEdit << ui->HeightEditH << ui->HeightEditL << ui->WeightEdit << ui->SteplengthEdit
          << ui->TargetStepEdit << ui->SaveImage << ui->ExitImage;
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    updateRowFocus();
}

void TForm2::nameButtons()
{
    // The screen reader's name of a picture is the caption on it, in the catalog's words.
    for (const auto& [image, caption] : buttonCaptions_)
        image->setAccessibleName(caption->text());
    for (int i = 0; i < MaxClients; ++i) {
        const QString gender = genderRows_[size_t(i)]->text();
        const QString name = nameRows_[size_t(i)]->text();
        nameRows_[size_t(i)]->setAccessibleName(gender.isEmpty() ? name : name + QStringLiteral(", ") + gender);
    }
}

bool TForm2::rowKey(int r, int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        OKBtnClick();
        return true;
    }
    int to = 0;
    const int last = qMax(state_.UserCount(), 1);
    switch (key) {
    case Qt::Key_Up: to = qMax(r - 1, 1); break;
    case Qt::Key_Down: to = qMin(r + 1, last); break;
    case Qt::Key_Home: to = 1; break;
    case Qt::Key_End: to = last; break;
    default: return false;
    }
    if (ui->UserPanel2->isHidden())
        UserNameLabelMouseDown(to - 1);
    return true;
}

void TForm2::rowFocused(QObject* watched, Qt::FocusReason reason)
{
    // Reached by Tab, the list shows the row that OK would choose, as a list shows its current item.
    if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason)
        return;
    for (int i = 0; i < MaxClients; ++i) {
        if (watched == nameRows_[size_t(i)] && ui->UserPanel2->isHidden() && ui->UserShape1->isHidden()
            && !nameRows_[size_t(i)]->text().isEmpty())
            UserNameLabelMouseDown(i);
    }
}

void TForm2::updateRowFocus()
{
    // One row at a time is a stop of the Tab order, the selected one (else the first); the focus
    // follows the selection as in a list.
    const int r = SelectedRow >= 1 && SelectedRow <= MaxClients ? SelectedRow : 1;
    bool hadFocus = false;
    for (int i = 0; i < MaxClients; ++i) {
        QLabel* row = nameRows_[size_t(i)];
        hadFocus = hadFocus || row->hasFocus();
        row->setFocusPolicy(i + 1 == r ? Qt::TabFocus : Qt::NoFocus);
        NotifyControlState(row);
    }
    if (hadFocus && !nameRows_[size_t(r - 1)]->hasFocus())
        nameRows_[size_t(r - 1)]->setFocus(Qt::TabFocusReason);
}

// ---- window ---------------------------------------------------------------------------------------

void TForm2::layoutPanels()
{
    const bool list = !ui->UserPanel1->isHidden();
    const bool editor = !ui->UserPanel2->isHidden();
    int width = ui->UserPanel1->width();
    if (editor) {
        ui->UserPanel2->move(list ? ui->UserPanel1->width() + 1 : 0, 0);
        width = list ? 797 : ui->UserPanel2->width();
    }
    setFixedSize(width, WindowHeight);
}

void TForm2::CentreOnScreen()
{
    layoutPanels();
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    move(CentredTopLeft(size(), screen->availableGeometry()));
}

void TForm2::HighlightRow(int r)
{
    ui->UserShape1->move(ui->UserShape1->x(), RowPitch * r + 106);
    ui->UserShape1->show();
    updateRowFocus();
}

void TForm2::setRowText(QLabel* label, const QString& text, int maxWidth)
{
    label->setText(text);
    nameButtons();
    const int wanted = label->fontMetrics().horizontalAdvance(text) + 4;
    label->resize(qMin(wanted, maxWidth), label->height());
}

void TForm2::showRow(int r, const ProfileRow& row, int nameWidth)
{
    setRowText(nameRows_[r - 1], row.Name, nameWidth);
    setRowText(genderRows_[r - 1], row.Gender, ListRowWidth);
}

void TForm2::showRows()
{
    const std::vector<ProfileRow> rows = session_.Rows();
    for (int i = 0; i < int(rows.size()) && i < MaxClients; ++i)
        showRow(i + 1, rows[size_t(i)], ListRowWidth);
    clearRows(int(rows.size()) + 1);
}

void TForm2::clearRows(int fromRow)
{
    for (int r = qMax(fromRow, 1); r <= MaxClients; ++r) {
        setRowText(nameRows_[r - 1], QString(), ListRowWidth);
        setRowText(genderRows_[r - 1], QString(), ListRowWidth);
    }
}

bool TForm2::maleChosen() const
{
    return !ui->MaleSelectImage->isHidden();
}

bool TForm2::femaleChosen() const
{
    return !ui->FemaleSelectImage->isHidden();
}

int TForm2::editValue(const QLineEdit* edit)
{
    bool ok = false;
    const int value = edit->text().toInt(&ok);
    return ok ? value : 0;
}

void TForm2::setEditText(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

void TForm2::PreviewNewRow()
{
    if (SelectedRow < 1 || SelectedRow > MaxClients)
        return;
    showRow(SelectedRow, session_.PreviewRow(collectForm()), PreviewRowWidth);
}

void TForm2::ShowListOnly()
{
    ui->UserPanel2->hide();
    CentreOnScreen();
}

void TForm2::OpenForChoosing()
{
    ShowListOnly();
    exec();
}

void TForm2::CloseSettings()
{
    EditMode = true;
    closing_ = true;
    close();
    closing_ = false;
}

void TForm2::ShowDeviceUnitCaptions()
{
    const auto& units = state_.Catalog.Units;
    const int first = session_.UnitCaptionsMetric(FormMetric) ? 0 : 3;
    ui->HeightUnitLabel->setText(units[first]);
    ui->WeightUnitLabel->setText(units[first + 1]);
    ui->SteplengthUnitLabel->setText(units[first + 2]);
}

// ---- events ---------------------------------------------------------------------------------------

void TForm2::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    FormPaint();
}

void TForm2::FormPaint()
{
    if (state_.UserCount() != 0 || WelcomeShown)
        return;
    WelcomeShown = true;
    // A message box may not open from inside a paint.
    QMetaObject::invokeMethod(this, [this] {
        prompts_.showMessage(state_.Catalog.UserSetting[0], state_.Catalog.Info[14], PromptFlags::Warning);
        // Nobody pressed New: a pedometer that fails here is the loading worker's failing streak.
        newProfile(ExchangeStart::Automatic);
    }, Qt::QueuedConnection);
}

void TForm2::showEvent(QShowEvent* event)
{
    ShowDeviceUnitCaptions();
    QDialog::showEvent(event);
}

void TForm2::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        emit minimizeRequested();
    QDialog::changeEvent(event);
}

void TForm2::closeEvent(QCloseEvent* event)
{
    QDialog::closeEvent(event);
    // The title bar's close during the start-up selection ends the program.
    if (!closing_ && !EditMode)
        emit quitRequested();
}

void TForm2::keyPressEvent(QKeyEvent* event)
{
    // Escape would end the modal showing without a choice; only the window's own buttons do that.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::FocusIn)
        rowFocused(watched, static_cast<QFocusEvent*>(event)->reason());
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease
        && type != QEvent::MouseButtonDblClick && type != QEvent::MouseMove)
        return QDialog::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return QDialog::eventFilter(watched, event);
    const bool left = mouse->button() == Qt::LeftButton;
    const bool listOnly = ui->UserPanel2->isHidden();

    // List rows: a press selects, also an empty row.
    for (int i = 0; i < MaxClients; ++i) {
        if (widget == nameRows_[i] || widget == genderRows_[i]) {
            if (type == QEvent::MouseButtonPress && listOnly)
                UserNameLabelMouseDown(i);
            return false;
        }
    }
    if (widget == ui->UserInfoImage || widget == ui->ShapeImage) {
        const int y = mouse->position().toPoint().y();
        if (type == QEvent::MouseButtonPress && left && listOnly)
            UserInfoImageMouseDown(y);
        else if (type == QEvent::MouseButtonDblClick && left)
            UserInfoImageDblClick();
        else if (type == QEvent::MouseMove)
            UserInfoImageMouseMove(widget, y);
        return false;
    }

    // Buttons: an image and its label share a click, taken on release over the control.
    if (type == QEvent::MouseButtonRelease && left && widget->rect().contains(mouse->position().toPoint())) {
        struct Button {
            QWidget* image;
            QWidget* label;
            void (TForm2::*click)();
        };
        const Button buttons[] = {
            {ui->NewImage, ui->NewLabel, &TForm2::NewBtnClick},
            {ui->DelImage, ui->DelLabel, &TForm2::DelBtnClick},
            {ui->OkImage, ui->OkLabel, &TForm2::OKBtnClick},
            {ui->SaveImage, ui->SaveLabel, &TForm2::SaveBtnClick},
            {ui->ExitImage, ui->ExitLabel, &TForm2::CancelBtnClick},
            {ui->MaleLabel, ui->MaleImage1, &TForm2::MaleLabelClick},
            {ui->FemaleLabel, ui->FemaleImage, &TForm2::FemaleLabelClick},
            // The markers lie over the gender images and take their clicks.
            {ui->MaleSelectImage, nullptr, &TForm2::MaleLabelClick},
            {ui->FemaleSelectImage, nullptr, &TForm2::FemaleLabelClick},
        };
        for (const Button& b : buttons) {
            if (widget == b.image || (b.label && widget == b.label)) {
                (this->*b.click)();
                return true;
            }
        }
    }

    // Moving over the editor's background, labels or buttons tidies the editor's fields.
    if (type == QEvent::MouseMove && !ui->UserPanel2->isHidden() && !qobject_cast<QLineEdit*>(widget)
        && (widget == this || widget == ui->UserPanel2 || ui->UserPanel2->isAncestorOf(widget)))
        NormalizeEditor();
    return QDialog::eventFilter(watched, event);
}

void TForm2::UserNameLabelMouseDown(int tag)
{
    SelectedRow = tag + 1;
    HighlightRow(SelectedRow);
}

void TForm2::UserInfoImageMouseDown(int y)
{
    for (int r = 1; r <= state_.UserCount(); ++r) {
        if (RowPitch * (r - 1) < y && y < RowPitch * r) {
            SelectedRow = r;
            HighlightRow(r);
            return;
        }
    }
}

void TForm2::UserInfoImageMouseMove(QWidget* image, int y)
{
    const bool overRow = y > 0 && y < RowPitch * state_.UserCount();
    image->setCursor(overRow ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TForm2::UserInfoImageDblClick()
{
    DoubleClicked = true;
    OKBtnClick();
}

// ---- list buttons ---------------------------------------------------------------------------------

void TForm2::NewBtnClick()
{
    newProfile(ExchangeStart::ByUser);
}

void TForm2::newProfile(ExchangeStart start)
{
    const std::optional<NewProfileDefaults> d = session_.NewProfile(start);
    if (!d)
        return;
    SelectedRow = d->Row;
    HighlightRow(SelectedRow);
    ui->UserLabel1->hide();

    setRowText(nameRows_[SelectedRow - 1], d->RowTexts.Name, PreviewRowWidth);
    if (d->Gender != 0)
        setRowText(genderRows_[SelectedRow - 1], d->RowTexts.Gender, ListRowWidth);
    if (d->Gender == 2) {
        ui->MaleSelectImage->show();
        ui->FemaleSelectImage->hide();
    } else if (d->Gender == 1) {
        ui->FemaleSelectImage->show();
        ui->MaleSelectImage->hide();
    }
    ui->NameEdit->setReadOnly(false);
    ui->NameEdit->setText(d->Name);
    ui->AgeEdit->setText(d->Age);

    if (d->Metric)
        HeightUnitRadioBtn2Click();
    else
        HeightUnitRadioBtn1Click();
    ui->HeightEditH->setText(d->HeightH);
    ui->HeightEditL->setText(d->HeightL);
    ui->WeightEdit->setText(d->Weight);
    ui->SteplengthEdit->setText(d->Steplength);
    FormMetric = d->Metric;

    ui->TargetStepEdit->setText(d->Target);
    TargetKind = 0;
    ui->TargetStepRadiobtn->setChecked(true);
    ui->TargetEdit->setText(d->Target);
    ui->TargetEditUnitLabel->setText(state_.Catalog.Units[6]);
    ui->TimeSyncCheckBox->setChecked(true);

    ui->UserPanel2->show();
    CentreOnScreen();
}

void TForm2::DelBtnClick()
{
    if (!ui->UserPanel2->isHidden() || SelectedRow < 1 || SelectedRow > state_.UserCount())
        return;
    if (nameRows_[SelectedRow - 1]->text().isEmpty() || !session_.DeleteProfile(SelectedRow))
        return;
    showRows();
    SelectedRow -= 1;
    if (SelectedRow >= 1) {
        HighlightRow(SelectedRow);
    } else {
        SelectedRow = 0;
        ui->UserShape1->hide();
    }
}

void TForm2::CancelBtnClick()
{
    if (EditMode) {
        ui->NameEdit->setFocus();
        CloseSettings();
        return;
    }
    if (state_.UserCount() <= 0)
        return;
    if (SelectedRow >= 1 && SelectedRow <= MaxClients) {
        setRowText(nameRows_[SelectedRow - 1], QString(), ListRowWidth);
        setRowText(genderRows_[SelectedRow - 1], QString(), ListRowWidth);
    }
    SelectedRow = 1;
    HighlightRow(1);
    ui->UserLabel1->show();
    ui->UserPanel2->hide();
    CentreOnScreen();
}

// ---- editor: name and gender ----------------------------------------------------------------------

void TForm2::NameEditChange()
{
    if (!EditMode)
        PreviewNewRow();
}

void TForm2::MaleLabelClick()
{
    ui->MaleSelectImage->show();
    ui->FemaleSelectImage->hide();
    NotifyControlState(ui->MaleImage1);
    NotifyControlState(ui->FemaleImage);
    if (!EditMode)
        PreviewNewRow();
}

void TForm2::FemaleLabelClick()
{
    ui->FemaleSelectImage->show();
    ui->MaleSelectImage->hide();
    NotifyControlState(ui->MaleImage1);
    NotifyControlState(ui->FemaleImage);
    if (!EditMode)
        PreviewNewRow();
}

// ---- Save -----------------------------------------------------------------------------------------

ProfileForm TForm2::collectForm() const
{
    ProfileForm f;
    f.Name = ui->NameEdit->text();
    f.Gender = maleChosen() ? 2 : femaleChosen() ? 1 : 0;
    f.Age = editValue(ui->AgeEdit);
    f.HeightH = editValue(ui->HeightEditH);
    f.HeightL = editValue(ui->HeightEditL);
    f.Weight = editValue(ui->WeightEdit);
    f.Steplength = editValue(ui->SteplengthEdit);
    f.Target = FormTarget;
    f.Metric = FormMetric;
    f.TimeSync = ui->TimeSyncCheckBox->isChecked();
    return f;
}

void TForm2::SaveBtnClick()
{
    // Values typed without moving the pointer over the editor still meet the limits.
    NormalizeEditor();
    const ProfileForm form = collectForm();
    const SaveOutcome saved = session_.SaveProfile(SelectedRow, EditMode, form);
    if (!saved.Saved)
        return;
    ui->NameEdit->setFocus();
    if (!EditMode) {
        showRows();
        ui->UserLabel1->show();
        ui->UserPanel2->hide();
        CentreOnScreen();
        update();
    }
    SelectedRow = saved.Row;

    const ActivateOutcome activated = session_.ActivateSavedProfile(SelectedRow, EditMode, form);
    if (!activated.Done)
        return;
    if (activated.ReadBack) {
        showReadBack(*activated.ReadBack);
        FormTarget = static_cast<int>(activated.ReadBack->TargetSteps);
    }
    emit userRecordChanged();
    CloseSettings();
}

// ---- the active user ------------------------------------------------------------------------------

void TForm2::showReadBack(const DeviceProfileValues& values)
{
    ui->SteplengthEdit->setText(QString::number(values.Steplength));
    ui->WeightEdit->setText(QString::number(values.Weight));
    ui->TargetStepRadiobtn->setChecked(true);
    TargetKind = 3;
    writeTargetEdit(QString::number(values.TargetSteps));
    ui->TargetStepEdit->setText(QString::number(values.TargetSteps));
    TargetKind = 0;
}

void TForm2::OKBtnClick()
{
    const int r = SelectedRow;
    const QString rowName = r >= 1 && r <= MaxClients ? nameRows_[r - 1]->text() : QString();
    const ChooseOutcome chosen = session_.ChooseProfile(r, rowName, EditMode, DoubleClicked);
    if (chosen.TimeSync)
        ui->TimeSyncCheckBox->setChecked(*chosen.TimeSync);
    if (!chosen.Chosen)
        return;
    if (chosen.ReadBack)
        showReadBack(*chosen.ReadBack);
    ui->AgeEdit->setText(QString::number(chosen.Age));
    ui->HeightEditH->setText(QString::number(chosen.Height / 100));
    ui->HeightEditL->setText(TwoDigits(chosen.Height % 100));
    if (chosen.FormMetric)
        FormMetric = *chosen.FormMetric;
    CloseSettings();
}

void TForm2::SetBtnClick()
{
    const ProfileForEditing edited = session_.EditedProfile(SelectedRow);
    SelectedRow = edited.Row ? edited.Row : SelectedRow;
    if (edited.Row) {
        const ProfileForm& p = edited.Form;
        ui->UserLabel2->hide();
        EditMode = true;
        ui->UserPanel1->hide();
        ui->UserPanel2->show();
        ui->ExitImage->show();
        ui->ExitLabel->show();
        CentreOnScreen();

        ui->NameEdit->setText(p.Name);
        ui->NameEdit->setReadOnly(true);
        if (p.Gender == 2) {
            ui->MaleSelectImage->show();
            ui->FemaleSelectImage->hide();
        } else if (p.Gender == 1) {
            ui->FemaleSelectImage->show();
            ui->MaleSelectImage->hide();
        }
        // The profile is shown in its own units, whatever the pedometer counts in.
        if (p.Metric)
            HeightUnitRadioBtn2Click();
        else
            HeightUnitRadioBtn1Click();
        Updating = true;
        ui->HeightEditH->setText(QString::number(p.HeightH));
        ui->HeightEditL->setText(edited.HeightL);
        ui->WeightEdit->setText(QString::number(p.Weight));
        ui->SteplengthEdit->setText(QString::number(p.Steplength));
        LoadMasterValues();
        Updating = false;
        ui->AgeEdit->setText(QString::number(p.Age));

        ui->TargetStepRadiobtn->setChecked(true);
        ui->TargetCalorieRadiobtn->setChecked(false);
        TargetKind = 3;
        FormTarget = p.Target;
        writeTargetEdit(QString::number(p.Target));
        ui->TargetStepEdit->setText(QString::number(p.Target));
        TargetKind = 0;
        ui->TimeSyncCheckBox->setChecked(p.TimeSync);

        exec();
    }
    if (state_.UserCount() == 0)
        emit quitRequested();
}

// ---- editor: units and targets --------------------------------------------------------------------

MasterValues TForm2::master() const
{
    return MasterValues{HeightCm, WeightKg, SteplengthCm};
}

BodyEditTexts TForm2::bodyTexts() const
{
    return BodyEditTexts{ui->HeightEditH->text(), ui->HeightEditL->text(), ui->WeightEdit->text(),
                         ui->SteplengthEdit->text()};
}

void TForm2::setBodyTexts(const BodyEditTexts& texts)
{
    setEditText(ui->HeightEditH, texts.HeightH);
    setEditText(ui->HeightEditL, texts.HeightL);
    setEditText(ui->WeightEdit, texts.Weight);
    setEditText(ui->SteplengthEdit, texts.Steplength);
}

void TForm2::writeTargetEdit(const QString& text)
{
    const int kind = TargetKind;
    TargetKind = TargetKindWriting;
    // The length limit is for typing; a target the program writes (1278.7 kcal) is shown whole.
    if (text.size() > ui->TargetEdit->maxLength())
        ui->TargetEdit->setMaxLength(int(text.size()));
    setEditText(ui->TargetEdit, text);
    TargetKind = kind;
}

void TForm2::SetEditorMetric(bool metric)
{
    FormMetric = metric;
    ui->HeightUnitRadioBtn1->setChecked(!metric);
    ui->HeightUnitRadioBtn2->setChecked(metric);
    ui->WeightUnitRadioBtn1->setChecked(!metric);
    ui->WeightUnitRadioBtn2->setChecked(metric);
    ui->SteplengthUnitRadioBtn1->setChecked(!metric);
    ui->SteplengthUnitRadioBtn2->setChecked(metric);
    ui->FeetShape1->setVisible(!metric);
    ui->FeetShape2->setVisible(!metric);
    ui->FeetShape3->setVisible(!metric);
    ui->HeightLabel1->setVisible(metric);
    ShowDeviceUnitCaptions();
    ShowTargetUnit();
    Updating = true;
    if (metric)
        ShowMetricValues();
    else
        ShowImperialValues();
    Updating = false;
}

void TForm2::HeightUnitRadioBtn1Click()
{
    SetEditorMetric(false);
}

void TForm2::HeightUnitRadioBtn2Click()
{
    SetEditorMetric(true);
}

void TForm2::ShowMetricValues()
{
    setBodyTexts(MetricEditTexts(master()));
    if (TargetKind == TargetKindDistance)
        writeTargetEdit(TargetDistanceText(FormTarget, true, master()));
}

void TForm2::ShowImperialValues()
{
    setBodyTexts(ImperialEditTexts(master()));
    if (TargetKind == TargetKindDistance)
        writeTargetEdit(TargetDistanceText(FormTarget, false, master()));
}

void TForm2::LoadMasterValues()
{
    const MasterValues m = MasterValuesFromEdits(FormMetric, bodyTexts());
    HeightCm = m.HeightCm;
    WeightKg = m.WeightKg;
    SteplengthCm = m.SteplengthCm;
}

void TForm2::DataEditHChange()
{
    if (!Updating)
        LoadMasterValues();
}

void TForm2::TargetStepEditChange()
{
    FormTarget = EditNumber(ui->TargetStepEdit->text());
}

void TForm2::ShowTargetUnit()
{
    if (const std::optional<QString> unit = TargetUnitText(TargetKind, FormMetric, state_.Catalog))
        ui->TargetEditUnitLabel->setText(*unit);
}

void TForm2::selectTargetKind(int kind)
{
    TargetKind = kind;
    ShowTargetUnit();
    writeTargetEdit(TargetTextForKind(kind, FormTarget, FormMetric, master()));
}

void TForm2::TargetStepRadiobtnClick()
{
    selectTargetKind(TargetKindSteps);
}

void TForm2::TargetDistanceRadiobtnClick()
{
    selectTargetKind(TargetKindDistance);
}

void TForm2::TargetCalorieRadiobtnClick()
{
    selectTargetKind(TargetKindCalories);
}

void TForm2::TargetEditChange()
{
    if (TargetKind == TargetKindWriting)
        return;
    const TargetEditOutcome outcome
        = ::TargetEditChange(TargetKind, ui->TargetEdit->text(), FormMetric, master(), FormTarget);
    if (outcome.MaxLength > 0 && ui->TargetEdit->maxLength() != outcome.MaxLength)
        ui->TargetEdit->setMaxLength(outcome.MaxLength); // also cuts the text, which comes back here
    FormTarget = outcome.FormTarget;
    if (outcome.ReplacedText)
        writeTargetEdit(*outcome.ReplacedText);
}

void TForm2::NormalizeEditor()
{
    Updating = true;
    EditorFields fields{bodyTexts(), ui->AgeEdit->text(), ui->TargetStepEdit->text(), ui->TargetEdit->text()};
    const int target = ::NormalizeEditor(fields, FormMetric, TargetKind, master());
    setBodyTexts(fields.Body);
    setEditText(ui->AgeEdit, fields.Age);
    setEditText(ui->TargetStepEdit, fields.TargetStep);
    writeTargetEdit(fields.Target);
    FormTarget = target;
    Updating = false;
}
