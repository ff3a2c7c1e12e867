#include "platform/write_stop.h"

#include <QtGlobal>

#include <atomic>
#include <csignal>

namespace {

int StopAt()
{
    static const int n = [] {
        bool ok = false;
        const int v = qEnvironmentVariableIntValue(StopAtWriteEnvironmentVariable, &ok);
        return ok && v > 0 ? v : 0;
    }();
    return n;
}

std::atomic<int> failCountdown{0};
std::atomic<bool> failed{false};

} // namespace

void StopPointBeforeWrite()
{
    static std::atomic<int> count{0};
    const int stopAt = StopAt();
    if (stopAt > 0 && ++count == stopAt)
        ::raise(SIGKILL);
}

bool FileWriteFails()
{
    StopPointBeforeWrite();
    if (failCountdown.load() <= 0 || --failCountdown != 0)
        return false;
    failed = true;
    return true;
}

void FailFileWriteForTests(int n)
{
    failCountdown = n;
    failed = false;
}

bool FailedFileWriteForTests()
{
    return failed.load();
}

const char* InjectedWriteErrorText()
{
    return "No space left on device";
}
