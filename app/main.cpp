#include "forms/artwork_widget.h"
#include "app/main_window.h"
#include "app/prompts_dialog.h"
#include "platform/single_instance.h"
#include "cli/command_line.h"
#include "device/device_link.h"
#include "device/hid_platform.h"
#include "loading/loading_window.h"
#include "platform/data_dir.h"
#include "platform/desktop_folder_opener.h"
#include "platform/stderr_prompts.h"
#include "platform/xdg_email_mailer.h"
#include "profiles/settings_window.h"

#include <QApplication>
#include <QMessageBox>

// Returns 0 in every case: a second start, a damaged catalog and a normal end alike.
int main(int argc, char* argv[])
{
    if (IsCommandLineRun(argc, argv))
        return RunCommandLine(argc, argv);
    // Before anything else, so that a second start shows nothing at all.
    SingleInstanceGuard instance;
    if (!instance.tryAcquire())
        return 0;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kinetrax"));
    InitFormResources();

    HidPlatform platform = CreateHidPlatformFromEnvironment();
    DialogPrompts dialogs;
    StderrPrompts printed;
    const bool unattended = qEnvironmentVariable(PromptsEnvironmentVariable) == QLatin1String("stderr");
    Prompts& prompts = unattended ? static_cast<Prompts&>(printed) : dialogs;
    // Declared before the window so that it outlives it: a mail still pending at the end answers no one.
    XdgEmailMailer mailer;
    DesktopFolderOpener folderOpener;
    TForm1 form1(*platform.bus, prompts, mailer, folderOpener, DataDirFromEnvironment(), platform.monitor.get());
    if (!form1.startupError().isEmpty()) {
        QMessageBox::critical(nullptr, QStringLiteral("Kinetrax2.0"), form1.startupError());
        return 0;
    }
    dialogs.setParentWindow(&form1);
    TForm2 form2(form1.state(), form1.link(), prompts);
    if (!form2.startupError().isEmpty()) {
        QMessageBox::critical(nullptr, form1.state().Catalog.applicationTitle(), form2.startupError());
        return 0;
    }
    TForm3 form3(form1.state(), form1.link(), prompts);
    form1.setStartupWindows(&form2, &form3);
    QObject::connect(&form1, &TForm1::programEnded, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);

    form1.show();
    app.exec();
    return 0;
}
