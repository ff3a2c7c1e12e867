#include "emulator/pedometer_model.h"

#include "protocol/pedometer_protocol.h"

#include <QMutexLocker>

namespace {

constexpr int UnitByte = 1;
constexpr int StepTotalOffset = 20;

QByteArray toMessage(const Report& report)
{
    return QByteArray(reinterpret_cast<const char*>(report.data()), ReportSize);
}

} // namespace

PedometerModel::PedometerModel()
{
    memory_[0] = readyStatus_;
    const auto block = BuildProfileBlock(true, 70, 65, 10000, 12, 0);
    std::copy(block.begin(), block.end(), memory_.begin() + 1);
}

void PedometerModel::setFaults(const PedometerFaults& faults)
{
    QMutexLocker lock(&mutex_);
    faults_ = faults;
}

PedometerFaults PedometerModel::faults() const
{
    QMutexLocker lock(&mutex_);
    return faults_;
}

void PedometerModel::setHistory(const PedometerHistory& history)
{
    QMutexLocker lock(&mutex_);
    for (int i = 0; i < DaysInMemory; ++i) {
        const auto raw = EncodeDayBlockRaw(history.days[size_t(i)]);
        std::copy(raw.begin(), raw.end(), memory_.begin() + DayBlockOffset(i));
    }
    const uint32_t total = history.stepTotal % 100000;
    memory_[StepTotalOffset] = EncodeBcd(int(total % 100));
    memory_[StepTotalOffset + 1] = EncodeBcd(int(total / 100 % 100));
    // The high byte holds the ten-thousands digit in its low nibble only.
    memory_[StepTotalOffset + 2] = EncodeBcd(int(total / 10000));
}

PedometerHistory PedometerModel::history() const
{
    const MemoryImage image = memoryImage();
    PedometerHistory h;
    for (int i = 0; i < DaysInMemory; ++i)
        h.days[size_t(i)] = DecodeDayBlock(image, i);
    h.stepTotal = DeviceStepTotal(image);
    return h;
}

void PedometerModel::setProfile(bool metric, uint16_t steplength, uint16_t weight, uint32_t target, int hour,
                                int minute)
{
    const auto block = BuildProfileBlock(metric, steplength, weight, target, hour, minute);
    QMutexLocker lock(&mutex_);
    std::copy(block.begin(), block.end(), memory_.begin() + 1);
}

ProfileValues PedometerModel::profile() const
{
    return DecodeProfileValues(memoryImage());
}

void PedometerModel::setReadyStatus(uint8_t status)
{
    QMutexLocker lock(&mutex_);
    if (memory_[0] == readyStatus_)
        memory_[0] = status;
    readyStatus_ = status;
}

RawMemory PedometerModel::rawMemory() const
{
    QMutexLocker lock(&mutex_);
    return memory_;
}

MemoryImage PedometerModel::memoryImage() const
{
    return DecodeMemory(rawMemory());
}

int PedometerModel::outputReportCount() const
{
    QMutexLocker lock(&mutex_);
    return outputReports_;
}

void PedometerModel::writeMemory(int address, const uint8_t* bytes, int count)
{
    const bool wasMetric = memory_[UnitByte] & 1;
    for (int i = 0; i < count; ++i) {
        const int at = address + i;
        if (at >= 1 && at < DeviceMemorySize)
            memory_[size_t(at)] = bytes[i];
    }
    const bool metric = memory_[UnitByte] & 1;
    if (metric != wasMetric) {
        // Figures counted in the old units would be wrong in the new ones.
        for (int i = 0; i < DaysInMemory; ++i)
            std::fill_n(memory_.begin() + DayBlockOffset(i), 10, uint8_t(0));
        std::fill_n(memory_.begin() + StepTotalOffset, 3, uint8_t(0));
    }
}

PedometerReply PedometerModel::handleOutputReport(const Report& report)
{
    QMutexLocker lock(&mutex_);
    PedometerReply reply;
    const int number = ++outputReports_;
    reply.vanish = faults_.vanishAfter > 0 && number == faults_.vanishAfter;

    const uint8_t command = report[8];
    const uint8_t tag = report[7];
    bool known = true;
    Report out{};
    if (command == ReadCommand && tag == HandshakeTag) {
        ++handshakes_;
        const bool busy = faults_.busyHandshakes == PedometerFaults::Forever || handshakes_ <= faults_.busyHandshakes;
        memory_[0] = busy ? StatusBusy : readyStatus_;
        out = Answer(HandshakeTag, memory_[0]);
    } else if (command == ReadCommand && tag == StatusTag) {
        out = Answer(StatusTag, memory_[0]);
    } else if (command == ReadCommand && tag == SetAddressTag) {
        setAddress_ = report[1];
        out = Answer(SetAddressTag, 0);
    } else if (command == ReadCommand) {
        const int address = report[1];
        out = Answer(tag, 0);
        for (int i = 0; i < 6; ++i) {
            const int at = address + i;
            out[size_t(6 - i)] = at >= DeviceMemorySize ? 0
                                 : at == 0 && faults_.busyStatusByte ? StatusBusy
                                                                     : memory_[size_t(at)];
        }
    } else if (command == WriteCommand && tag == DataWriteTag) {
        const uint8_t data[6] = {report[6], report[5], report[4], report[3], report[2], report[1]};
        writeMemory(setAddress_, data, 6);
        out = Answer(SetAddressTag, 0);
    } else {
        known = false;
    }

    if (!known || reply.vanish || faults_.dropAll || number == faults_.dropAnswerTo)
        return reply;

    if (faults_.garbage) {
        Report noise;
        for (auto& b : noise)
            b = uint8_t(noise_() & 0xFF);
        noise[0] = 0;
        if (noise[8] == AnswerTag)
            noise[8] = 0x13;
        reply.messages.push_back(toMessage(noise));
    }
    if (faults_.wrongLength) {
        // Lengths a confused transport might produce: the answer without its report id, a fragment,
        // the answer with a stray byte, a full-speed USB packet.
        static const int lengths[] = {8, 1, 10, 64};
        const int length = lengths[wrongLengthTurn_++ % 4];
        QByteArray message = toMessage(out);
        if (length == 8)
            message = message.mid(1);
        else
            message = message.left(length).leftJustified(length, char(0xEE));
        reply.messages.push_back(message);
    }
    reply.messages.push_back(toMessage(out));
    return reply;
}
