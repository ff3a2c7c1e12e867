#pragma once

#include "catalog/catalog_file.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "state/app_state.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_data_dir.h"

#include <QStringList>

#include <memory>

// The program state on a fresh data directory, with the in-process pedometer connected behind a real
// link: what the profile workflows and the settings window run on. Link the test with kx_state,
// kx_device and kx_emulator.
struct ProfileRig {
    TempDataDir dir;
    AppState state;
    ScriptedPrompts prompts;
    std::shared_ptr<PedometerModel> model = std::make_shared<PedometerModel>();
    EmulatedHidBus bus{model};
    std::unique_ptr<DeviceLink> link;

    // listLines: the profile lines of Kinetrax.dat, which is written when there are any or writeList
    // is set. waitScale shortens the link's waits, so that a silent pedometer fails quickly.
    explicit ProfileRig(const QStringList& listLines = {}, bool writeList = false, double waitScale = 0.1)
    {
        state.Catalog = DefaultCatalog();
        state.ExeDir = dir.path();
        state.UserListPath = dir.filePath("Kinetrax.dat");
        if (writeList || !listLines.isEmpty()) {
            QByteArray bytes = "SoftName:Kinetrax\r\n[Client]\r\n" + QByteArray::number(listLines.size()) + "\r\n";
            for (const QString& l : listLines)
                bytes += l.toUtf8() + "\r\n";
            dir.write("Kinetrax.dat", bytes);
        }
        link = std::make_unique<DeviceLink>(bus, prompts, state.Catalog);
        link->setWaitScale(waitScale);
    }

    void setFaults(void (*change)(PedometerFaults&))
    {
        PedometerFaults f;
        change(f);
        model->setFaults(f);
    }
};
