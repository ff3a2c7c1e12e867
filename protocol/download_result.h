#pragma once

#include "protocol/memory_image.h"

#include <cstdint>

// Outcome of a download of the pedometer's memory. Block holds what was read, zeros elsewhere; adopt
// Block and Metric only when Complete, otherwise a partial image would overwrite good data.
struct DownloadResult {
    bool Complete = false;   // the handshake was answered and all 17 read requests were answered
    MemoryImage Block{};     // byte 0 raw, bytes 1-99 decoded from BCD
    bool Metric = false;     // bit 0 of Block[1]; valid only when Complete
    // Place of this exchange among the link's downloads, counting from 1 in the order they read the
    // pedometer; 0 when the result comes from elsewhere (a test, the screenshots).
    uint64_t Sequence = 0;
};
