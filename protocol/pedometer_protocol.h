#pragma once

#include "protocol/memory_image.h"
#include "protocol/report.h"

#include <cstdint>

// The pedometer's five commands, as 9-byte reports (byte 0 the report id, always 0):
//
//   handshake     00 00 00 00 00 00 00 C8 02 -> 00 00 00 00 00 00 st C8 12   (st = status)
//   read request  00 a  00 00 00 00 00 s  02 -> 00 m5 m4 m3 m2 m1 m0 s 12    (m0 … m5 = memory a … a+5)
//   status query  00 00 00 00 00 00 00 00 02 -> 00 00 00 00 00 00 st 00 12
//   set address   00 a  00 00 00 00 00 C9 02 -> 00 00 00 00 00 00 00 C9 12
//   data write    00 d5 d4 d3 d2 d1 d0 01 03 -> 00 00 00 00 00 00 00 C9 12    (d0 … d5 into a … a+5 of
//                                                                              the last set address)
// Byte 8 of a request is its command, byte 7 its tag; byte 8 of every answer is AnswerTag and byte 7
// repeats the tag it answers (a data write is answered with SetAddressTag).
constexpr uint8_t ReadCommand = 0x02;
constexpr uint8_t WriteCommand = 0x03;
constexpr uint8_t AnswerTag = 0x12;
constexpr uint8_t HandshakeTag = 0xC8;
constexpr uint8_t SetAddressTag = 0xC9;
constexpr uint8_t StatusTag = 0x00;
constexpr uint8_t DataWriteTag = 0x01;

// A download reads the memory in 17 requests of six bytes, at 0, 6, … 96, numbered 1 … 17.
constexpr int ReadRequestCount = 17;
constexpr int BytesPerReadAnswer = 6;

Report HandshakeRequest();
Report StatusRequest();
// Request number sequence (1 … ReadRequestCount) reads the six bytes from 6 * (sequence - 1).
Report ReadRequest(int sequence);
Report SetAddressRequest(uint8_t address);
// d[0] goes to the set address, d[5] five bytes further.
Report DataWriteRequest(const uint8_t* d);
// The answer the pedometer gives with this tag and status (or 0) in byte 6.
Report Answer(uint8_t tag, uint8_t byte6);

bool IsAnswer(const Report& report, uint8_t tag);
// The handshake's and the status query's ready values (busy is StatusBusy).
bool IsReadyStatus(uint8_t status);
// The memory address the read request with this sequence number starts at.
int ReadRequestAddress(int sequence);
// Puts what a read answer carries into image: answer bytes 6 down to 1 hold memory bytes address up to
// address+5, byte 0 of the memory raw and every other byte decoded from BCD. Bytes past the image's
// end (the last request reaches past 99) are left out.
void TakeReadAnswer(const Report& answer, int address, MemoryImage& image);
