#include "state/app_state.h"

bool AdoptDownload(AppState& state, const DownloadResult& download)
{
    if (!download.Complete || download.Sequence < state.AdoptedSequence)
        return false;
    state.DownloadBlock = download.Block;
    state.DeviceMetric = download.Metric;
    state.DownloadValid = true;
    state.AdoptedSequence = download.Sequence;
    return true;
}
