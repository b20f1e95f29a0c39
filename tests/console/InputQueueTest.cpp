// The input queue and its writer against a pipe whose reader is a thread of its own; pure, runs natively
// (also under ThreadSanitizer) and under Wine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "console/InputQueue.h"

namespace {

using namespace std::chrono_literals;

// Waits up to `limit` for `done`; its last answer.
template <class Pred>
bool Eventually(Pred done, std::chrono::milliseconds limit = 10000ms) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) return done();
        std::this_thread::sleep_for(200us);
    }
    return true;
}

// A pipe like the interpreter's input: a reader thread takes what was written at random moments, often
// only part of it. Any write while bytes are unread is a fault (the interpreter would lose a line), but
// for the rest of a line the pipe itself cut short. With `shortWrites` the pipe often takes only part
// of a write; with `reads` false nothing is ever read.
class FakePipe : public InputPipe {
public:
    explicit FakePipe(unsigned seed, bool shortWrites = false, bool reads = true)
        : m_rng(seed), m_bShortWrites(shortWrites) {
        if (reads) m_reader = std::thread([this, seed] { ReadAtRandom(seed + 1); });
    }
    ~FakePipe() override {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_bQuit = true;
            m_bGateClosed = false;
        }
        m_changed.notify_all();
        if (m_reader.joinable()) m_reader.join();
    }

    size_t Write(const char* data, size_t size) override {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_strUnread.empty() && !m_bCutShort) ++m_nViolations;
        size_t n = size;
        if (m_bShortWrites && size > 1 && m_rng() % 3 == 0) n = 1 + m_rng() % (size - 1);
        m_bCutShort = n < size;
        m_strUnread.append(data, n);
        m_writes.emplace_back(data, n);
        m_changed.notify_all();
        return n;
    }

    bool Unread(size_t& bytes) override {
        std::unique_lock<std::mutex> lock(m_lock);
        m_bAtGate = m_bGateClosed;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return !m_bGateClosed; });
        m_bAtGate = false;
        bytes = m_strUnread.size();
        return true;
    }

    // The writer's next look at the pipe waits, once it is there, until OpenGate.
    void CloseGate() {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bGateClosed = true;
    }
    void WaitAtGate() {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [&] { return m_bAtGate; });
    }
    void OpenGate() {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_bGateClosed = false;
        }
        m_changed.notify_all();
    }

    std::string Taken() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_strTaken;
    }
    std::vector<std::string> Writes() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_writes;
    }
    bool Drained() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_strUnread.empty();
    }
    int Violations() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_nViolations;
    }

private:
    void ReadAtRandom(unsigned seed) {
        std::mt19937 rng(seed);
        std::unique_lock<std::mutex> lock(m_lock);
        while (!m_bQuit) {
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 300));
            lock.lock();
            if (m_strUnread.empty()) continue;
            const size_t n = rng() % 2 ? m_strUnread.size() : 1 + rng() % m_strUnread.size();
            m_strTaken.append(m_strUnread, 0, n);
            m_strUnread.erase(0, n);
        }
    }

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::mt19937 m_rng;  // for the writes' lengths; under m_lock
    const bool m_bShortWrites;
    std::string m_strUnread;
    std::string m_strTaken;
    std::vector<std::string> m_writes;
    bool m_bCutShort = false;  // the last write took less than it was offered
    bool m_bGateClosed = false;
    bool m_bAtGate = false;
    bool m_bQuit = false;
    int m_nViolations = 0;
    std::thread m_reader;
};

// A queue with its writer running, stopped and joined at the end of the scope.
struct RunningQueue {
    explicit RunningQueue(size_t limit) : queue(limit), writer([this] { queue.RunWriter(); }) {}
    ~RunningQueue() { Finish(); }
    void Finish() {
        queue.Stop();
        if (writer.joinable()) writer.join();
    }
    InputQueue queue;
    std::thread writer;
};

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t end; (end = bytes.find('\n', from)) != std::string::npos; from = end + 1) {
        lines.push_back(bytes.substr(from, end + 1 - from));
    }
    if (from < bytes.size()) lines.push_back(bytes.substr(from));
    return lines;
}

// Several threads push numbered lines (some pushes several lines at once) while the queue is dropped
// twice; then it is held for a pipe swap. Every line arrives whole, at most once, in its pusher's order;
// those pushed after the last drop all arrive; the pipe is never written while it holds unread bytes.
void PushDropHoldSwap(bool shortWrites) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    constexpr int kPushers = 4;
    constexpr int kLines = 60;
    constexpr int kDrops = 2;
    auto pipe = std::make_shared<FakePipe>(seed, shortWrites);
    auto fresh = std::make_shared<FakePipe>(seed + 7, shortWrites);
    RunningQueue run(1 << 20);
    run.queue.SetPipe(pipe);

    std::atomic<int> dropsDone{0}, linesPushed{0};
    std::vector<std::vector<std::string>> sent(kPushers, std::vector<std::string>(kLines));
    std::vector<std::vector<int>> mustArrive(kPushers);  // line numbers pushed after the last drop
    std::vector<std::thread> pushers;
    for (int k = 0; k < kPushers; ++k) {
        pushers.emplace_back([&, k] {
            std::mt19937 rng(seed + 100 + k);
            for (int i = 0; i < kLines;) {
                const int drops = dropsDone.load();
                std::string text;
                const int count = rng() % 4 == 0 ? 2 + rng() % 2 : 1;
                const int first = i;
                for (int c = 0; c < count && i < kLines; ++c, ++i) {
                    sent[k][i] = std::to_string(k) + ":" + std::to_string(i) + ":" +
                                 std::string(rng() % 30, static_cast<char>('a' + k)) + (rng() % 5 == 0 ? "\r\n" : "\n");
                    text += sent[k][i];
                }
                EXPECT_TRUE(run.queue.Push(text, false));
                linesPushed += i - first;
                if (drops == kDrops) {
                    for (int n = first; n < i; ++n) mustArrive[k].push_back(n);
                }
                std::this_thread::sleep_for(std::chrono::microseconds(rng() % 1500));
            }
        });
    }
    // The drops come a third and two thirds of the way through the pushing, whatever the clock's pace.
    for (int d = 1; d <= kDrops; ++d) {
        while (linesPushed.load() < kPushers * kLines * d / (kDrops + 1)) std::this_thread::sleep_for(100us);
        run.queue.Drop();
        ++dropsDone;
    }
    for (std::thread& t : pushers) t.join();
    ASSERT_TRUE(Eventually([&] { return run.queue.Backlog() == 0 && pipe->Drained(); }, 30000ms));

    const std::string taken = pipe->Taken();
    EXPECT_EQ('\n', taken.empty() ? '\n' : taken.back());
    std::vector<int> last(kPushers, -1);
    std::vector<std::vector<int>> arrived(kPushers);
    for (const std::string& line : Lines(taken)) {
        int k = -1, i = -1;
        ASSERT_EQ(2, std::sscanf(line.c_str(), "%d:%d:", &k, &i)) << line;
        ASSERT_TRUE(k >= 0 && k < kPushers && i >= 0 && i < kLines) << line;
        EXPECT_EQ(sent[k][i], line);
        EXPECT_GT(i, last[k]) << "repeated or out of order: " << line;
        last[k] = i;
        arrived[k].push_back(i);
    }
    for (int k = 0; k < kPushers; ++k) {
        size_t at = 0;
        for (int n : mustArrive[k]) {
            while (at < arrived[k].size() && arrived[k][at] < n) ++at;
            EXPECT_TRUE(at < arrived[k].size() && arrived[k][at] == n) << "line " << k << ":" << n << " lost";
        }
    }

    // A restart: held, the pipe replaced; nothing reaches either pipe until the release, then the fresh one.
    run.queue.Hold();
    ASSERT_TRUE(Eventually([&] { return !run.queue.InWrite(); }));
    const size_t writes = pipe->Writes().size();
    const std::string held = "held 1\nheld 2\r\nheld 3\n";
    EXPECT_TRUE(run.queue.Push("held 1\n", false));
    EXPECT_TRUE(run.queue.Push("held 2\r\nheld 3\n", false));
    run.queue.SetPipe(fresh);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(held.size(), run.queue.Backlog());
    EXPECT_TRUE(fresh->Writes().empty());
    run.queue.Release();
    EXPECT_TRUE(Eventually([&] { return fresh->Taken() == held; })) << fresh->Taken();
    EXPECT_EQ(writes, pipe->Writes().size());
    EXPECT_EQ(0, pipe->Violations());
    EXPECT_EQ(0, fresh->Violations());
}

TEST(InputQueueTest, LinesFromManyThreadsArriveWholeOnceInOrderAndOneAtATime) { PushDropHoldSwap(false); }

TEST(InputQueueTest, LinesArriveWholeOnceInOrderWhenThePipeTakesPartOfAWrite) { PushDropHoldSwap(true); }

TEST(InputQueueTest, ALinePushedWithOthersReachesThePipeAlone) {
    auto pipe = std::make_shared<FakePipe>(3);
    RunningQueue run(100);
    EXPECT_TRUE(run.queue.Push("one\r\ntwo\n\nthree", false));
    run.queue.SetPipe(pipe);
    ASSERT_TRUE(Eventually([&] { return pipe->Taken() == "one\r\ntwo\n\nthree"; })) << pipe->Taken();
    EXPECT_EQ((std::vector<std::string>{"one\r\n", "two\n", "\n", "three"}), pipe->Writes());
    EXPECT_EQ(0, pipe->Violations());
}

TEST(InputQueueTest, BacklogBoundRefusesWholePushesAndForceIgnoresIt) {
    auto pipe = std::make_shared<FakePipe>(5);
    RunningQueue run(10);
    EXPECT_TRUE(run.queue.Push("12345\n", false));
    EXPECT_FALSE(run.queue.Push("ab\ncd\n", false));  // its first line would fit, but not the whole
    EXPECT_EQ(6u, run.queue.Backlog());
    EXPECT_TRUE(run.queue.Push("abc\n", false));  // exactly at the limit
    EXPECT_FALSE(run.queue.Push("x", false));
    EXPECT_TRUE(run.queue.Push("exit\n", true));
    EXPECT_EQ(15u, run.queue.Backlog());
    EXPECT_FALSE(run.queue.Push("y", false));  // past the limit now, by force
    EXPECT_TRUE(run.queue.Push("", false));
    run.queue.SetPipe(pipe);
    ASSERT_TRUE(Eventually([&] { return run.queue.Backlog() == 0 && pipe->Drained(); }));
    EXPECT_EQ("12345\nabc\nexit\n", pipe->Taken());
    EXPECT_TRUE(run.queue.Push("0123456789", false));  // the whole limit is free again
    EXPECT_TRUE(Eventually([&] { return pipe->Taken() == "12345\nabc\nexit\n0123456789"; }));
}

// A line the writer has taken but not yet written, while it asks the pipe whether the last is read, is
// not handed over yet: a Drop, Hold or Stop then drops it. (A restart holds the queue and then waits only
// for a write in progress before it closes the old pipe.)
TEST(InputQueueTest, LineWaitingForThePipeIsDroppedEvenAsThePipeDrains) {
    for (const char* how : {"drop", "hold", "stop"}) {
        SCOPED_TRACE(how);
        const std::string op = how;
        auto pipe = std::make_shared<FakePipe>(9);
        RunningQueue run(100);
        run.queue.SetPipe(pipe);
        pipe->CloseGate();
        EXPECT_TRUE(run.queue.Push("old\n", false));
        pipe->WaitAtGate();
        if (op == "drop") run.queue.Drop();
        if (op == "hold") run.queue.Hold();
        if (op == "stop") run.queue.Stop();
        pipe->OpenGate();
        if (op == "stop") run.Finish();
        EXPECT_TRUE(Eventually([&] { return run.queue.Backlog() == 0; }));
        if (op == "hold") run.queue.Release();
        if (op != "stop") {
            EXPECT_TRUE(run.queue.Push("new\n", false));
            EXPECT_TRUE(Eventually([&] { return pipe->Taken().find("new\n") != std::string::npos; }));
            EXPECT_EQ("new\n", pipe->Taken());
        }
        EXPECT_EQ(op == "stop" ? std::vector<std::string>{} : std::vector<std::string>{"new\n"}, pipe->Writes());
    }
}

TEST(InputQueueTest, StopEndsTheWriterWhileThePipeIsNeverRead) {
    auto pipe = std::make_shared<FakePipe>(11, false, false);
    InputQueue queue(100);
    queue.SetPipe(pipe);
    std::atomic<bool> returned{false};
    std::thread writer([&] {
        queue.RunWriter();
        returned = true;
    });
    EXPECT_TRUE(queue.Push("a\nb\n", false));
    EXPECT_TRUE(Eventually([&] { return pipe->Writes().size() == 1 && queue.Backlog() == 2; }));
    std::this_thread::sleep_for(60ms);  // into the slower polls
    EXPECT_FALSE(returned.load());
    EXPECT_EQ(1u, pipe->Writes().size());
    queue.Stop();
    EXPECT_TRUE(Eventually([&] { return returned.load(); }, 2000ms));
    writer.join();
    EXPECT_EQ((std::vector<std::string>{"a\n"}), pipe->Writes());
    EXPECT_EQ(0u, queue.Backlog());
    EXPECT_FALSE(queue.Push("c\n", true));
}

}  // namespace
