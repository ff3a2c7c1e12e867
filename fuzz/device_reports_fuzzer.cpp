// Whatever comes over the HID link: the pedometer's answers replaced by a stream from the input, of
// reports of 9 bytes and of other lengths, during an upload of profile and clock and a download
// through the in-process emulator bus. Every exchange must end within its bound, a download must be
// complete exactly when every request got its answer, and nothing may be taken from an incomplete one.
//
// Input: one byte of options (bit 0: upload first), then one chunk per output report the pedometer
// takes, in order: a count byte (count % 17 messages), then per message a length byte: 0xF0 and above
// stand for the model's own answer, otherwise length % 65 bytes follow. Once the input ends the model
// answers by itself, so a short input is an ordinary exchange.

#include "catalog/catalog_file.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "fuzz/fuzz_support.h"
#include "protocol/pedometer_protocol.h"
#include "state/app_state.h"
#include "store/activity_file.h"
#include "store/merge.h"
#include "tests/support/scripted_prompts.h"

#include <QElapsedTimer>

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace {

constexpr int MaxMessagesPerChunk = 16;
constexpr int MaxMessageLength = 64; // a full-speed USB packet
// Messages the report ring holds without dropping one: a stream with more may lose an answer.
constexpr int RingReports = 64;

// The exchanges' waits in the units the link scales: a download's handshake and 17 read requests, an
// upload's five steps; every write may take its own limit on top.
constexpr int DownloadWaitMs = 1000 + 17 * 500;
constexpr int UploadWaitMs = 5 * 1000;
constexpr int WriteLimitMs = 5000;
// Scheduling, the sanitizers and a loaded machine.
constexpr qint64 SlackMs = 30000;

struct Chunk {
    Report request{};
    std::vector<QByteArray> messages;
    bool filled = false; // from the input, not the model by itself
};

class Stream {
public:
    Stream(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    std::vector<QByteArray> reply(const Report& request, const std::vector<QByteArray>& model)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Chunk chunk;
        chunk.request = request;
        if (pos_ >= size_) {
            chunk.messages = model;
        } else {
            chunk.filled = true;
            const int count = take() % (MaxMessagesPerChunk + 1);
            for (int m = 0; m < count; ++m) {
                const uint8_t length = take();
                if (length >= 0xF0) {
                    chunk.messages.insert(chunk.messages.end(), model.begin(), model.end());
                    continue;
                }
                QByteArray message;
                for (int i = 0; i < length % (MaxMessageLength + 1); ++i)
                    message.append(char(take()));
                chunk.messages.push_back(message);
            }
        }
        chunks_.push_back(chunk);
        return chunk.messages;
    }

    std::vector<Chunk> chunks() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return chunks_;
    }

private:
    uint8_t take() { return pos_ < size_ ? data_[pos_++] : 0; }

    mutable std::mutex mutex_;
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    std::vector<Chunk> chunks_;
};

Report AsReport(const QByteArray& message)
{
    Report r{};
    std::copy(message.begin(), message.end(), r.begin());
    r[0] = 0;
    return r;
}

// The answer the link takes for a request, as the protocol defines it.
bool Answers(const Report& request, const Report& r)
{
    if (r[8] != AnswerTag)
        return false;
    const uint8_t tag = request[7];
    if (request[8] == WriteCommand)
        return r[7] == SetAddressTag;
    if (tag == HandshakeTag)
        return r[7] == HandshakeTag && IsReadyStatus(r[6]);
    if (tag == StatusTag)
        return r[7] == StatusTag && (r[6] == StatusBusy || r[6] == StatusReadyAlt);
    return r[7] == tag;
}

// Every request got exactly one report that answers it, in its own chunk, and no other report looks
// like an answer: the exchanges must then succeed, whatever else of any length came along.
bool Clean(const std::vector<Chunk>& chunks)
{
    int reports = 0;
    for (const Chunk& c : chunks) {
        int answers = 0;
        for (const QByteArray& m : c.messages) {
            if (m.size() != ReportSize)
                continue;
            ++reports;
            const Report r = AsReport(m);
            if (r[8] == AnswerTag && !Answers(c.request, r))
                return false;
            answers += r[8] == AnswerTag ? 1 : 0;
        }
        if (answers != 1)
            return false;
    }
    return reports <= RingReports;
}

struct Run {
    bool uploaded = false;
    DownloadResult download;
    std::vector<Chunk> chunks;
};

Run Exchange(const uint8_t* data, size_t size, double scale)
{
    static const TSoftInfo catalog = DefaultCatalog();
    const bool upload = size > 0 && (data[0] & 1);
    Stream stream(size > 0 ? data + 1 : data, size > 0 ? size - 1 : 0);

    Run run;
    auto model = std::make_shared<PedometerModel>();
    EmulatedHidBus bus(model);
    bus.setReplyFilter([&stream](const Report& request, const std::vector<QByteArray>& messages) {
        return stream.reply(request, messages);
    });
    ScriptedPrompts prompts;
    {
        DeviceLink link(bus, prompts, catalog);
        link.setWaitScale(scale);
        link.setClock([] { return QTime(14, 7); });
        link.ConnectPedometer();
        FUZZ_CHECK(link.Connected());

        QElapsedTimer timer;
        timer.start();
        if (upload) {
            run.uploaded = link.SendProfileAndClock(true, 75, 68, 10000);
            FUZZ_CHECK(timer.elapsed() <= qint64((UploadWaitMs + 5 * WriteLimitMs) * scale) + SlackMs);
            timer.restart();
        }
        run.download = link.DownloadDeviceData();
        FUZZ_CHECK(timer.elapsed() <= qint64((DownloadWaitMs + 18 * WriteLimitMs) * scale) + SlackMs);
        // Unplugging ends the reader's wait at once, so the link closes without waiting it out.
        bus.unplug();
    }
    run.chunks = stream.chunks();

    // A failed upload says so; a download never shows anything.
    const int messages = int(prompts.shown().size());
    FUZZ_CHECK(messages == (upload && !run.uploaded ? 1 : 0));
    return run;
}

// A complete download holds what the answers carried, each from a report that answers its request.
void CheckBlock(const Run& run)
{
    const DownloadResult& d = run.download;
    FUZZ_CHECK(d.Metric == ((d.Block[1] & 1) != 0));
    for (int s = 1; s <= ReadRequestCount; ++s) {
        const int address = ReadRequestAddress(s);
        bool carried = false;
        for (const Chunk& c : run.chunks) {
            for (const QByteArray& m : c.messages) {
                if (m.size() != ReportSize || !IsAnswer(AsReport(m), uint8_t(s)))
                    continue;
                MemoryImage image = d.Block;
                TakeReadAnswer(AsReport(m), address, image);
                carried = carried || image == d.Block;
            }
        }
        FUZZ_CHECK(carried);
    }
}

// Nothing of an incomplete download reaches the program's state or the activity file.
void CheckAdoption(const DownloadResult& download)
{
    AppState state;
    state.DownloadBlock.fill(0x5A);
    state.DeviceMetric = true;
    const bool adopted = AdoptDownload(state, download);
    FUZZ_CHECK(adopted == download.Complete);
    if (!adopted) {
        FUZZ_CHECK(!state.DownloadValid && state.DeviceMetric);
        FUZZ_CHECK(std::all_of(state.DownloadBlock.begin(), state.DownloadBlock.end(), [](uint8_t b) { return b == 0x5A; }));
    }

    static const TSoftInfo catalog = DefaultCatalog();
    const QString dir = ScratchDir();
    ClearDir(dir);
    const QString path = ActivityFilePath(dir, QStringLiteral("Anna"));
    FUZZ_CHECK(WriteFileBytes(path, QByteArray()));
    const DirSnapshot before = SnapshotDir(dir);
    ScriptedPrompts prompts;
    DayRecordList records;
    const MergeOutcome outcome = MergeDownload(download.Block, download.Complete, QDate(2010, 7, 10), path,
                                               records, true, true, catalog, prompts);
    if (download.Complete) {
        FUZZ_CHECK(outcome == MergeOutcome::Saved && records.size() == size_t(DaysInMemory));
    } else {
        FUZZ_CHECK(outcome == MergeOutcome::NotComplete && records.empty() && prompts.shown().isEmpty());
        FUZZ_CHECK(SnapshotDir(dir) == before);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool upload = size > 0 && (data[0] & 1);
    const auto succeeded = [upload](const Run& r) { return r.download.Complete && (r.uploaded || !upload); };
    // Waits a hundredth of their real length keep a run short when an answer never comes.
    Run run = Exchange(data, size, 0.01);
    if (Clean(run.chunks) && !succeeded(run)) {
        // A thread held up longer than a shortened wait loses an answer; the real waits must not. The
        // exchanges now go further into the input, which may hold something else there.
        run = Exchange(data, size, 1.0);
        if (Clean(run.chunks))
            FUZZ_CHECK(succeeded(run));
    }
    if (run.download.Complete)
        CheckBlock(run);
    CheckAdoption(run.download);
    return 0;
}
