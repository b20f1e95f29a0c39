// A worker's claim-for-stop and the reader's and exit watcher's loops, with a stopper on a thread of its
// own; pure, runs natively (also under ThreadSanitizer) and under Wine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "console/WorkerState.h"

namespace {

void SpinUntil(const std::atomic<bool>& flag) {
    while (!flag.load()) std::this_thread::yield();
}

TEST(WorkerStateTest, ClaimWaitsForTheCallbackToReturnAndNoCallbackFollowsIt) {
    WorkerState state;
    std::atomic<bool> inside{false}, letGo{false};
    std::atomic<int> delivered{0};
    char buffer[4];
    std::thread worker([&] {
        RunReader(
            state, buffer, 3,
            [](char* into, size_t) {
                std::this_thread::sleep_for(std::chrono::microseconds(20));  // as a read waits for data
                into[0] = 'x';
                return size_t{1};
            },
            [&](const char*) {
                inside = true;
                if (++delivered == 1) SpinUntil(letGo);
                inside = false;
            });
        EXPECT_TRUE(state.Finish());
    });
    while (delivered.load() == 0) std::this_thread::yield();
    bool claimedInside = false;
    for (int i = 0; i < 1000; ++i) claimedInside = state.Claim() || claimedInside;
    EXPECT_FALSE(claimedInside);
    EXPECT_EQ(kInCallback, state.Phase());
    letGo = true;
    while (!state.Claim()) std::this_thread::yield();
    EXPECT_FALSE(inside.load());
    const int at = delivered.load();
    EXPECT_TRUE(state.Claim() || state.Returned());  // claimed for good, until it returns
    worker.join();
    EXPECT_EQ(at, delivered.load());
    EXPECT_TRUE(state.Returned());
    EXPECT_FALSE(state.MarkKilled());  // it returned of itself: nothing to end by force
}

// Many rounds of a reader and a stopper that claims at a random moment, asks for stop first or not, and
// then marks the worker for killing while it returns: no callback after the claim, and exactly one of
// the worker's Finish and the stopper's MarkKilled wins.
TEST(WorkerStateTest, ClaimAndKillRaceTheReaderAtRandomMoments) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    for (int round = 0; round < 300; ++round) {
        WorkerState state;
        std::atomic<bool> claimed{false}, inside{false}, finishWon{false};
        std::atomic<int> late{0};
        const unsigned spin = static_cast<unsigned>(rng() % 50);
        char buffer[2];
        std::thread worker([&] {
            // Mostly a read that waits a little, sometimes one that returns at once.
            std::minstd_rand pace(round + 1);
            RunReader(
                state, buffer, 1,
                [&](char* into, size_t) {
                    if (pace() % 4 != 0) {
                        std::this_thread::sleep_for(std::chrono::microseconds(20));
                    } else {
                        std::this_thread::yield();
                    }
                    into[0] = 'r';
                    return size_t{1};
                },
                [&](const char*) {
                    inside = true;
                    if (claimed.load()) ++late;
                    for (volatile unsigned i = 0; i < spin; i = i + 1) {
                    }
                    inside = false;
                });
            finishWon = state.Finish();
        });
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 200));
        if (rng() % 2) state.RequestStop();
        while (!state.Claim() && !state.Returned()) std::this_thread::yield();
        if (!state.Returned()) {
            claimed = true;
            EXPECT_FALSE(inside.load());
        }
        if (rng() % 2) std::this_thread::sleep_for(std::chrono::microseconds(rng() % 50));
        const bool killWon = state.MarkKilled();
        worker.join();
        EXPECT_NE(killWon, finishWon.load());
        EXPECT_EQ(0, late.load());
    }
}

// The worker's Finish and the stopper's MarkKilled let go at the same moment, many times over.
TEST(WorkerStateTest, FinishAndMarkKilledStartedTogetherNeverBothWin) {
    for (int round = 0; round < 1000; ++round) {
        WorkerState state;
        state.Begin();
        ASSERT_TRUE(state.Claim());
        std::atomic<int> ready{0};
        bool finishWon = false;
        std::thread worker([&] {
            ++ready;
            while (ready.load() < 2) {
            }
            finishWon = state.Finish();
        });
        ++ready;
        while (ready.load() < 2) {
        }
        const bool killWon = state.MarkKilled();
        worker.join();
        ASSERT_NE(killWon, finishWon) << "round " << round;
    }
}

TEST(WorkerStateTest, ReaderDeliversChunksNulTerminatedButNoneReadAfterStopWasAsked) {
    std::atomic<long> globalStop{0};
    WorkerState state(&globalStop);
    char buffer[4];
    std::memset(buffer, 'z', sizeof buffer);
    std::string got;
    int reads = 0;
    RunReader(
        state, buffer, 3,
        [&](char* into, size_t capacity) {
            ++reads;
            std::memcpy(into, "abc", capacity);
            return reads == 2 ? size_t{2} : capacity;
        },
        [&](const char* chunk) {
            got += chunk;
            got += '|';
            if (reads == 3) globalStop = 1;  // the process-wide flag ends it too
        });
    EXPECT_EQ("abc|ab|abc|", got);
    EXPECT_EQ(3, reads);

    // Stop asked while a read blocks: what it brings is dropped.
    WorkerState blocked;
    std::atomic<bool> reading{false}, go{false};
    int delivered = 0;
    std::thread reader([&] {
        RunReader(
            blocked, buffer, 3,
            [&](char* into, size_t) {
                reading = true;
                SpinUntil(go);
                into[0] = 'q';
                return size_t{1};
            },
            [&](const char*) { ++delivered; });
    });
    SpinUntil(reading);
    blocked.RequestStop();
    go = true;
    reader.join();
    EXPECT_EQ(0, delivered);
    EXPECT_TRUE(blocked.Claim());
}

TEST(WorkerStateTest, WatcherNotifiesOncePerPollAfterTheEndUntilPauseOrStopOrClaim) {
    struct Counts {
        int asked = 0, notified = 0, paused = 0;
    };
    // `ended` says yes from the third poll on; the fifth pause ends the loop.
    // Every pause is one poll period, so two questions are never closer than that.
    WorkerState state;
    Counts c;
    std::vector<unsigned> pauses;
    RunWatcher(
        state, [&] { return ++c.asked >= 3; }, [&] { ++c.notified; },
        [&](unsigned ms) {
            pauses.push_back(ms);
            return ++c.paused < 5;
        });
    EXPECT_EQ(5, c.asked);
    EXPECT_EQ(3, c.notified);
    EXPECT_EQ(std::vector<unsigned>(5, kWatchPollMs), pauses);

    // Stop asked during the second pause: no third poll.
    WorkerState stopped;
    Counts s;
    RunWatcher(
        stopped, [&] { return ++s.asked >= 1; }, [&] { ++s.notified; },
        [&](unsigned) {
            if (++s.paused == 2) stopped.RequestStop();
            return true;
        });
    EXPECT_EQ(2, s.asked);
    EXPECT_EQ(2, s.notified);

    // Claimed during the first pause: the end is still asked about, but not notified.
    WorkerState claimed;
    Counts k;
    RunWatcher(
        claimed, [&] { return ++k.asked >= 1; }, [&] { ++k.notified; },
        [&](unsigned) {
            EXPECT_TRUE(claimed.Claim());
            return ++k.paused < 10;
        });
    EXPECT_EQ(1, k.notified);
    EXPECT_EQ(2, k.asked);
    EXPECT_EQ(1, k.paused);
}

}  // namespace
