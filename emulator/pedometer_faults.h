#pragma once

// Ways the emulated pedometer misbehaves. The model applies the ones about what it answers; the
// transports (in-process bus, socket server) apply the ones about timing and presence.
struct PedometerFaults {
    static constexpr int Forever = -1;

    int latencyMs = 0;           // delay before each answer is sent
    int busyHandshakes = 0;      // handshakes answered with status 0xF3 (memory byte 0 reads 0xF3 too); Forever
    bool busyStatusByte = false; // memory byte 0 reads 0xF3 while handshake and status query answer ready
    int dropAnswerTo = 0;        // 1-based number of the output report left unanswered; 0 = none
    bool dropAll = false;        // no output report is answered
    bool garbage = false;        // a random 9-byte report (never byte 8 = 0x12) before every answer
    bool wrongLength = false;    // a message of another length than 9 bytes before every answer
    bool deaf = false;           // output reports are not taken: writes run out of time
    int vanishAfter = 0;         // the device is removed right after taking this many output reports; 0 = never
    int returnAfterMs = -1;      // after vanishing it comes back after this delay; -1 = stays away
};
