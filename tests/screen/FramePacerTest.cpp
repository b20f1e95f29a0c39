// The frame pacer on a clock the test moves by hand, and with real threads asking at once (the latter
// runs under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "screen/FramePacer.h"

namespace {

constexpr unsigned kInterval = 16;

struct Paced : ::testing::Test {
    std::atomic<std::uint64_t> now{100000};
    FramePacer pacer{[this] { return now.load(); }, kInterval};

    // A frame the pacer asked for, drawn to the end: what it says after it.
    PaceStep DrawAsked() {
        pacer.FrameStarted();
        return pacer.AfterFrame(true);
    }
};

const PaceStep kNothing{};
const PaceStep kPost{PaceStep::kPost, 0};
const PaceStep kDrawNow{PaceStep::kDrawNow, 0};
PaceStep Timer(unsigned ms) { return {PaceStep::kTimer, ms}; }

TEST_F(Paced, AnAnswerAfterAPauseIsDrawnAtOnceAndTwoChangesWithinAnIntervalGiveOneFrame) {
    EXPECT_TRUE(pacer.WouldDrawAtOnce());
    EXPECT_EQ(kPost, pacer.Changed());
    EXPECT_EQ(kNothing, pacer.Changed()) << "the second change must ride on the frame asked for";
    EXPECT_FALSE(pacer.WouldDrawAtOnce());
    EXPECT_EQ(kDrawNow, pacer.Posted());
    EXPECT_EQ(kNothing, DrawAsked()) << "both changes are in that one frame";
    EXPECT_FALSE(pacer.Owed());
}

TEST_F(Paced, AChangeWithinTheIntervalWaitsForItsRestByATimer) {
    pacer.Changed();
    pacer.Posted();
    DrawAsked();
    now += 5;
    EXPECT_FALSE(pacer.WouldDrawAtOnce());
    EXPECT_EQ(kPost, pacer.Changed());
    EXPECT_EQ(Timer(kInterval - 5), pacer.Posted());
    now += kInterval - 5;
    EXPECT_TRUE(pacer.Owed());
    EXPECT_EQ(kNothing, DrawAsked());
}

TEST_F(Paced, AFrameOwedAgainWhileOneIsDrawnFollowsByATimerNeverAPost) {
    // Changes during a frame (input waiting behind a flood): the next frame comes by a timer, which
    // waits for the input, one interval after this frame's start, or as soon as a timer can once that
    // is over.
    pacer.Changed();
    pacer.Posted();
    pacer.FrameStarted();
    now += 3;
    EXPECT_EQ(kNothing, pacer.Changed());
    EXPECT_EQ(Timer(kInterval - 3), pacer.AfterFrame(true));
    EXPECT_EQ(kNothing, pacer.Changed()) << "the timer is the asking";

    pacer.FrameStarted();
    pacer.Changed();
    now += kInterval + 40;  // a frame slower than the interval
    EXPECT_EQ(Timer(0), pacer.AfterFrame(true));
}

TEST_F(Paced, APaintLeavesTheAskedFrameToComeAndThatFrameStillShowsWhatChangedDuringThePaint) {
    pacer.Changed();  // asked: a message is on its way
    pacer.FrameStarted();  // a paint comes first
    pacer.Changed();
    EXPECT_EQ(kNothing, pacer.AfterFrame(false)) << "the message already asked for it";
    EXPECT_EQ(Timer(kInterval), pacer.Posted()) << "the paint was a frame: the interval counts from it";
    now += kInterval;
    EXPECT_TRUE(pacer.Owed());
    EXPECT_EQ(kNothing, DrawAsked());
}

TEST_F(Paced, AnAskThatFindsNothingToDrawLetsTheNextChangeAskAgainAndAClosedWindowIsNeverAsked) {
    EXPECT_EQ(kPost, pacer.Changed());
    pacer.FrameStarted();  // a paint took it
    pacer.AfterFrame(false);
    pacer.NothingDrawn(true);  // the message then found nothing owed
    EXPECT_EQ(kPost, pacer.Changed());
    pacer.NothingDrawn(true);
    pacer.Close();
    EXPECT_EQ(kNothing, pacer.Changed());
    EXPECT_TRUE(pacer.Owed());
}

// Two threads change what the screen shows while a third plays the user-interface thread: between two
// frames at most one message is ever posted, and the last change is always drawn.
TEST(FramePacerThreads, ChangesFromTwoThreadsAskOnceAtATimeAndTheLastIsDrawn) {
    std::atomic<std::uint64_t> now{1};
    FramePacer pacer([&] { return now.load(); }, kInterval);
    std::atomic<int> posts{0}, timers{0};
    std::atomic<int> changers{2};
    std::atomic<bool> enough{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&] {
            // Until the user-interface thread has drawn enough frames to have met them half-way.
            for (int i = 0; !enough; ++i) {
                if (pacer.Changed().kind == PaceStep::kPost) ++posts;
                if (i % 64 == 0) ++now;
                if (i % 16 == 0) std::this_thread::yield();
            }
            --changers;
        });
    }
    int frames = 0, maxOutstanding = 0;
    // The user-interface thread: pays every ask, by message or by timer.
    for (;;) {
        const bool finished = changers.load() == 0;
        const int asks = posts.exchange(0) + timers.exchange(0);
        maxOutstanding = std::max(maxOutstanding, asks);
        if (asks > 0) {
            now += kInterval;
            if (pacer.Owed()) {
                pacer.FrameStarted();
                if (++frames == 2000) enough = true;
                if (pacer.AfterFrame(true).kind == PaceStep::kTimer) ++timers;
            } else {
                pacer.NothingDrawn(true);
            }
        } else if (finished) {
            break;
        } else {
            std::this_thread::yield();
        }
    }
    for (std::thread& t : threads) t.join();
    EXPECT_FALSE(pacer.Owed()) << "a change was left undrawn";
    EXPECT_LE(maxOutstanding, 1) << "two asks were outstanding at once";
    EXPECT_GE(frames, 2000);
}

}  // namespace
