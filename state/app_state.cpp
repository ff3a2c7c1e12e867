#include "state/app_state.h"

bool AdoptDownload(AppState& state, const DownloadResult& download)
{
    if (!download.Complete)
        return false;
    state.DownloadBlock = download.Block;
    state.DeviceMetric = download.Metric;
    state.DownloadValid = true;
    return true;
}
