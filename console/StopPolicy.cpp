#include "console/StopPolicy.h"

bool GiveUpOnExit(uint64_t elapsedMs, bool inputUnread) {
    return elapsedMs >= kExitWaitMs || (inputUnread && elapsedMs >= kExitUnreadMs);
}

StopStep NextStopStep(bool claimed, uint64_t elapsedMs) {
    if (!claimed) return StopStep::kWait;
    return elapsedMs >= kWorkerWaitMs ? StopStep::kKill : StopStep::kCancelRead;
}
