// pedometer-sim: a pedometer on the simulated HID bus, for demos and for work without the device.

#include "emulator/pedometer_history.h"
#include "emulator/pedometer_model.h"
#include "emulator/report_log.h"
#include "emulator/sim_bus_device.h"

#include <QString>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <memory>

namespace {

const char* const HelpText = R"(Usage: pedometer-sim [OPTION]...
Serves an emulated USB pedometer (vendor 0c45, product 70c1) on the simulated HID bus, a directory of
Unix sockets that Kinetrax uses instead of the system's HID devices when KINETRAX_HID_BUS names it.
The pedometer stays until Ctrl+C (SIGINT) or SIGTERM; it then removes its socket file.

Where:
  --bus DIR           the bus directory (default: $KINETRAX_HID_BUS); made when missing
  --tag TAG           the device's name on the bus, 1-32 of A-Z a-z 0-9 _ (default: 1);
                      the socket is DIR/0c45-70c1-TAG.hid

What it remembers (today, the seven days before, its step total):
  --seed N            plausible days drawn from the number N (default: 1); the same N gives the same days
  --history FILE      the days from a text file instead, one day a line:
                          days_before steps distance calories minutes
                      days_before 0 = today ... 7; distance in hundredths of a km (mile with --imperial),
                      calories in tenths of a kcal, minutes of walking, each 0-99999. Days not listed are
                      empty. An optional line "total N" sets the step total (default: the days' sum).
                      '#' starts a comment line.
  --imperial          the device counts in miles, inches and pounds (default: metric)
  --steplength N      step length in cm, or inches with --imperial (default: 70 cm / 28 inch)
  --weight N          weight in kg, or lb with --imperial (default: 65 kg / 143 lb)
  --target N          daily step target (default: 10000)
  Writing the other unit system into the device clears its days and step total, as the device does.

Faults:
  --latency MS        answer each report MS milliseconds late
  --busy N|forever    answer the first N handshakes (or all) with status F3, busy: downloads repeat
  --busy-status-byte  memory byte 0 reads F3 while the handshake and the status query answer ready:
                      downloads complete but never count as ready
  --drop K|all        leave the K-th output report (counted from start, 1 = first) or all unanswered
  --garbage           send a random 9-byte report before every answer
  --wrong-length      send a message of another length than 9 bytes before every answer
  --deaf              never read output reports: the program's writes run out of time once the
                      socket buffer is full, and nothing is answered
  --vanish-after N    take N output reports, then disappear without answering the N-th (the
                      pedometer unplugged mid-exchange)
  --return-after MS   with --vanish-after: come back MS milliseconds later, with the same memory

Other:
  --log FILE|-        write every report received (recv) and sent (send), one line each, with the
                      seconds since start, to FILE or, with -, to standard output
  --help              this text

Examples:
  export KINETRAX_HID_BUS=/tmp/kinetrax-bus
  pedometer-sim                                   # a pedometer with a week of plausible walking
  pedometer-sim --seed 7 --imperial --log -       # other days, in miles, showing every report
  pedometer-sim --history week.txt                # days of your own, e.g. week.txt:
                                                  #   0 4200 2940 1800 42
                                                  #   1 12000 8400 5100 115
  pedometer-sim --busy 3                          # busy for the first three downloads
  pedometer-sim --busy forever                    # never ready: the loading window times out
  pedometer-sim --drop 5                          # the 4th read request of the first download is lost
  pedometer-sim --latency 300 --garbage --wrong-length
  pedometer-sim --vanish-after 10 --return-after 3000   # unplugged mid-download, back 3 s later
  pedometer-sim --tag second                      # a second pedometer beside the first
)";

int fail(const QString& message)
{
    std::fprintf(stderr, "pedometer-sim: %s\nTry pedometer-sim --help.\n", message.toLocal8Bit().constData());
    return 2;
}

bool readNumber(const QString& text, long long min, long long max, long long* out)
{
    bool ok = false;
    const long long v = text.toLongLong(&ok);
    if (!ok || v < min || v > max)
        return false;
    *out = v;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    QString bus = qEnvironmentVariable("KINETRAX_HID_BUS");
    QString tag = QStringLiteral("1");
    QString historyPath;
    QString logPath;
    long long seed = 1;
    bool metric = true;
    long long steplength = -1, weight = -1, target = 10000;
    PedometerFaults faults;

    for (int i = 0; i < args.size(); ++i) {
        const QString& opt = args[i];
        if (opt == QLatin1String("--help") || opt == QLatin1String("-h")) {
            std::fputs(HelpText, stdout);
            return 0;
        }
        auto flag = [&](const char* name) { return opt == QLatin1String(name); };
        if (flag("--imperial")) { metric = false; continue; }
        if (flag("--garbage")) { faults.garbage = true; continue; }
        if (flag("--wrong-length")) { faults.wrongLength = true; continue; }
        if (flag("--deaf")) { faults.deaf = true; continue; }
        if (flag("--busy-status-byte")) { faults.busyStatusByte = true; continue; }

        static const QStringList withValue = {"--bus", "--tag", "--seed", "--history", "--steplength", "--weight",
                                              "--target", "--latency", "--busy", "--drop", "--vanish-after",
                                              "--return-after", "--log"};
        if (!withValue.contains(opt))
            return fail(QStringLiteral("unknown option \"%1\"").arg(opt));
        if (i + 1 >= args.size())
            return fail(QStringLiteral("%1 needs a value").arg(opt));
        const QString value = args[++i];
        long long n = 0;
        auto number = [&](long long min, long long max) {
            if (readNumber(value, min, max, &n))
                return true;
            fail(QStringLiteral("%1 takes a number from %2 to %3, not \"%4\"").arg(opt).arg(min).arg(max).arg(value));
            return false;
        };
        if (flag("--bus")) bus = value;
        else if (flag("--tag")) tag = value;
        else if (flag("--history")) historyPath = value;
        else if (flag("--log")) logPath = value;
        else if (flag("--seed")) { if (!number(0, 4294967295LL)) return 2; seed = n; }
        else if (flag("--steplength")) { if (!number(1, 999)) return 2; steplength = n; }
        else if (flag("--weight")) { if (!number(1, 999)) return 2; weight = n; }
        else if (flag("--target")) { if (!number(0, 99999)) return 2; target = n; }
        else if (flag("--latency")) { if (!number(0, 600000)) return 2; faults.latencyMs = int(n); }
        else if (flag("--vanish-after")) { if (!number(1, 1000000000)) return 2; faults.vanishAfter = int(n); }
        else if (flag("--return-after")) { if (!number(0, 86400000)) return 2; faults.returnAfterMs = int(n); }
        else if (flag("--busy")) {
            if (value == QLatin1String("forever")) faults.busyHandshakes = PedometerFaults::Forever;
            else if (!number(0, 1000000000)) return 2;
            else faults.busyHandshakes = int(n);
        } else if (flag("--drop")) {
            if (value == QLatin1String("all")) faults.dropAll = true;
            else if (!number(1, 1000000000)) return 2;
            else faults.dropAnswerTo = int(n);
        }
    }
    if (bus.isEmpty())
        return fail(QStringLiteral("no bus directory: give --bus DIR or set KINETRAX_HID_BUS"));
    if (!SimBusDevice::IsValidTag(tag))
        return fail(QStringLiteral("the tag \"%1\" is not 1 to 32 of A-Z a-z 0-9 _").arg(tag));
    if (faults.returnAfterMs >= 0 && faults.vanishAfter == 0)
        return fail(QStringLiteral("--return-after needs --vanish-after"));
    if (steplength < 0)
        steplength = metric ? 70 : 28;
    if (weight < 0)
        weight = metric ? 65 : 143;

    auto model = std::make_shared<PedometerModel>();
    // The clock in the profile block is what the program last wrote; until then, noon.
    model->setProfile(metric, uint16_t(steplength), uint16_t(weight), uint32_t(target), 12, 0);
    if (!historyPath.isEmpty()) {
        const HistoryResult loaded = LoadHistoryFile(historyPath);
        if (!loaded.ok)
            return fail(loaded.error);
        model->setHistory(loaded.history);
    } else {
        model->setHistory(GenerateHistory(uint32_t(seed), metric, uint16_t(steplength), uint16_t(weight)));
    }
    model->setFaults(faults);

    FILE* logStream = nullptr;
    if (logPath == QLatin1String("-")) {
        logStream = stdout;
    } else if (!logPath.isEmpty()) {
        logStream = std::fopen(logPath.toLocal8Bit().constData(), "a");
        if (!logStream)
            return fail(QStringLiteral("cannot write the log %1").arg(logPath));
    }
    ReportLog log(logStream);

    // Signals are taken by sigwait below, so they must be blocked before the server thread starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    SimBusDevice device(model, &log);
    QString error;
    if (!device.start(bus, tag, &error)) {
        std::fprintf(stderr, "pedometer-sim: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    std::fprintf(stderr, "pedometer-sim: serving %s (Ctrl+C to stop)\n", device.socketPath().toLocal8Bit().constData());

    int received = 0;
    sigwait(&stopSignals, &received);
    device.stop();
    std::fprintf(stderr, "pedometer-sim: stopped\n");
    if (logStream && logStream != stdout)
        std::fclose(logStream);
    return 0;
}
