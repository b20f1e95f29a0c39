// When the console uses force on the interpreter and on its workers; pure, runs natively and under Wine.
#include <gtest/gtest.h>

#include "console/StopPolicy.h"

TEST(StopPolicyTest, ExitIsWaitedForLessWhileInputStaysUnread) {
    EXPECT_FALSE(GiveUpOnExit(0, true));
    EXPECT_FALSE(GiveUpOnExit(499, true));
    EXPECT_TRUE(GiveUpOnExit(500, true));
    EXPECT_FALSE(GiveUpOnExit(500, false));
    EXPECT_FALSE(GiveUpOnExit(1999, false));
    EXPECT_TRUE(GiveUpOnExit(2000, false));
    EXPECT_TRUE(GiveUpOnExit(2000, true));
}

TEST(StopPolicyTest, WorkerInsideACallbackIsWaitedForAndOneOutsideIsKilledAfterASecond) {
    EXPECT_EQ(StopStep::kWait, NextStopStep(false, 0));
    EXPECT_EQ(StopStep::kWait, NextStopStep(false, 1000000));
    EXPECT_EQ(StopStep::kCancelRead, NextStopStep(true, 0));
    EXPECT_EQ(StopStep::kCancelRead, NextStopStep(true, 999));
    EXPECT_EQ(StopStep::kKill, NextStopStep(true, 1000));
}
