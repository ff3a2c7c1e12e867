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

bool AppState::DistanceMetric() const
{
    if (!DownloadValid) {
        for (const TClient& c : Clients) {
            if (!CurrentUser.isEmpty() && c.Name == CurrentUser)
                return c.Metric != 0;
        }
    }
    return DeviceMetric;
}
