#include "protocol/pedometer_protocol.h"

#include <cstddef>

namespace {
Report Request(uint8_t byte1, uint8_t tag, uint8_t command)
{
    Report r{};
    r[1] = byte1;
    r[7] = tag;
    r[8] = command;
    return r;
}
}

Report HandshakeRequest()
{
    return Request(0, HandshakeTag, ReadCommand);
}

Report StatusRequest()
{
    return Request(0, StatusTag, ReadCommand);
}

Report ReadRequest(int sequence)
{
    return Request(static_cast<uint8_t>(ReadRequestAddress(sequence)), static_cast<uint8_t>(sequence), ReadCommand);
}

Report SetAddressRequest(uint8_t address)
{
    return Request(address, SetAddressTag, ReadCommand);
}

Report DataWriteRequest(const uint8_t* d)
{
    return Report{0, d[5], d[4], d[3], d[2], d[1], d[0], DataWriteTag, WriteCommand};
}

Report Answer(uint8_t tag, uint8_t byte6)
{
    Report r{};
    r[6] = byte6;
    r[7] = tag;
    r[8] = AnswerTag;
    return r;
}

bool IsAnswer(const Report& report, uint8_t tag)
{
    return report[8] == AnswerTag && report[7] == tag;
}

bool IsReadyStatus(uint8_t status)
{
    return status == StatusReady || status == StatusReadyAlt;
}

int ReadRequestAddress(int sequence)
{
    return BytesPerReadAnswer * (sequence - 1);
}

void TakeReadAnswer(const Report& answer, int address, MemoryImage& image)
{
    for (int k = 0; k < BytesPerReadAnswer && address + k < MemoryImageSize; ++k) {
        if (address + k < 0)
            continue;
        const uint8_t raw = answer[static_cast<std::size_t>(6 - k)];
        image[static_cast<std::size_t>(address + k)] = (address + k == 0) ? raw : DecodeBcd(raw);
    }
}
