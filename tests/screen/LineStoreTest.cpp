// The screen's line records as bookkeeping, fed by two threads under one lock as the readers feed it
// (runs under ThreadSanitizer too): every line lands once and in order, and every drawing a record was
// given is either still named by a record or handed back exactly once.
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "screen/LineStore.h"

namespace {

TEST(LineStoreThreads, TwoFeedersLoseNoLineAndNoDrawingIsLostOrHandedBackTwice) {
    LineStore<int> store;
    std::mutex lock;
    int nextDrawing = 1;
    std::map<int, int> retired;  // drawing -> times handed back
    const auto retire = [&](int& drawing) {
        if (drawing != 0) ++retired[drawing];
        drawing = 0;
    };
    constexpr int kLines = 3000;
    std::vector<std::thread> feeders;
    for (int t = 0; t < 2; ++t) {
        feeders.emplace_back([&, t] {
            for (int i = 0; i < kLines; ++i) {
                std::lock_guard<std::mutex> guard(lock);
                // A line in two pieces, the first built at once as an append that holds the context does.
                const std::string head = "t" + std::to_string(t) + "-";
                EXPECT_TRUE(store.Append(head, 7, retire));
                store.lines[store.count] = nextDrawing++;
                store.MarkBuilt(store.count);
                store.Append(std::to_string(i), 7, retire);
                store.lines[store.count] = nextDrawing++;
                store.MarkBuilt(store.count);
                store.NewLine();
            }
        });
    }
    for (std::thread& f : feeders) f.join();

    std::set<int> named;
    for (int drawing : store.lines) {
        if (drawing != 0) named.insert(drawing);
    }
    for (int d = 1; d < nextDrawing; ++d) {
        const int back = retired.count(d) != 0 ? retired[d] : 0;
        EXPECT_EQ(named.count(d) != 0 ? 0 : 1, back) << "drawing " << d;
    }
    int next[2] = {0, 0};
    const ScrollHistory& history = store.history;
    ASSERT_EQ(static_cast<std::size_t>(2 * kLines), history.RowCount());
    for (std::size_t r = 0; r < history.RowCount(); ++r) {
        const std::string row(history.RowText(r));
        ASSERT_EQ('t', row[0]) << row;
        const int t = row[1] - '0';
        ASSERT_EQ("t" + std::to_string(t) + "-" + std::to_string(next[t]), row);
        ++next[t];
    }
    // The records show the newest lines, as the history's last rows.
    ASSERT_EQ(LineStore<int>::kRecords, store.count);
    for (int i = 0; i < LineStore<int>::kRecords; ++i) {
        EXPECT_EQ(std::string(history.RowText(history.RowCount() - LineStore<int>::kRecords + i)), store.Text(i))
            << "record " << i;
    }
}

}  // namespace
