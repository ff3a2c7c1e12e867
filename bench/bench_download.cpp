// Complete downloads against the in-process emulated pedometer answering after 2 ms:
//  - wall time of a download against the device's own time (18 answers x 2 ms); goal <= 1.2
//  - process CPU time per download (the emulator's share included); goal < 5 ms
//  - CPU over 10 s of downloads against a device that answers every handshake with 0xF3; goal < 0.2 s
// Usage: bench_download [downloads] [busy seconds]

#include "catalog/catalog_file.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "tests/support/scripted_prompts.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

const char* Verdict(bool met)
{
    return met ? "goal met" : "GOAL MISSED";
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int downloads = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
    const double busySeconds = argc > 2 ? std::max(1.0, atof(argv[2])) : 10.0;
    constexpr int LatencyMs = 2;
    constexpr int AnswersPerDownload = 18;

    auto model = std::make_shared<PedometerModel>();
    model->setHistory(GenerateHistory(1, true, 70, 65));
    PedometerFaults faults;
    faults.latencyMs = LatencyMs;
    model->setFaults(faults);
    EmulatedHidBus bus(model);
    ScriptedPrompts prompts;
    const TSoftInfo catalog = DefaultCatalog();
    DeviceLink link(bus, prompts, catalog);
    link.ConnectPedometer();
    if (!link.Connected() || !link.DownloadDeviceData().Complete) {
        std::fprintf(stderr, "bench_download: the emulated pedometer did not answer\n");
        return 1;
    }

    const double wall0 = WallSeconds();
    const double cpu0 = CpuSeconds();
    for (int i = 0; i < downloads; ++i) {
        if (!link.DownloadDeviceData().Complete) {
            std::fprintf(stderr, "bench_download: download %d incomplete\n", i + 1);
            return 1;
        }
    }
    const double wallPer = (WallSeconds() - wall0) / downloads;
    const double cpuPer = (CpuSeconds() - cpu0) / downloads;
    const double deviceTime = AnswersPerDownload * LatencyMs / 1000.0;
    const double ratio = wallPer / deviceTime;
    std::printf("downloads: %d, answer latency %d ms\n", downloads, LatencyMs);
    std::printf("download time: %.2f ms; device's own time %.0f ms; ratio %.3f (goal <= 1.2: %s)\n", wallPer * 1000,
                deviceTime * 1000, ratio, Verdict(ratio <= 1.2));
    std::printf("CPU per download: %.3f ms (goal < 5 ms: %s)\n", cpuPer * 1000, Verdict(cpuPer < 0.005));

    faults.busyHandshakes = PedometerFaults::Forever;
    model->setFaults(faults);
    int busyDownloads = 0;
    const double busyWall0 = WallSeconds();
    const double busyCpu0 = CpuSeconds();
    while (WallSeconds() - busyWall0 < busySeconds) {
        link.DownloadDeviceData();
        ++busyDownloads;
    }
    const double busyWall = WallSeconds() - busyWall0;
    const double busyCpu = CpuSeconds() - busyCpu0;
    const double budget = 0.2 * busyWall / 10.0;
    std::printf("busy device (0xF3 forever): %.1f s, %d downloads, CPU %.3f s (goal < %.2f s: %s)\n", busyWall,
                busyDownloads, busyCpu, budget, Verdict(busyCpu < budget));
    return prompts.shown().isEmpty() ? 0 : 1;
}
