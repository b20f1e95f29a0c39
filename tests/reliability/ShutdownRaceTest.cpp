// Races at the end of the program's life, each run many times: output arriving while the screen window
// is destroyed, close requests from the exit watcher after the main window is gone, font changes and
// resets while a reader builds glyph lists, and closing in the middle of a flood.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/ScreenHost.h"
#include "tests/reliability/Support.h"

namespace {

// Lines of varied two-byte characters, so that readers keep building glyphs the cache has not seen.
std::string KanjiLine(int n) {
    std::string line;
    for (int i = 0; i < 12; ++i) {
        const int k = (n * 12 + i) % (0x9F - 0x40);
        line.push_back(static_cast<char>(0x88 + (n + i) % 8));
        line.push_back(static_cast<char>(0x9F + k % 0x5E));
    }
    char tail[32];
    std::snprintf(tail, sizeof tail, " #%d\r\n", n);
    return line + tail;
}

// Rounds per race: a few in the suite; VX_RACE_ROUNDS raises them for a long run.
int Rounds(int suite) {
    const char* text = std::getenv("VX_RACE_ROUNDS");
    const int rounds = text != nullptr ? std::atoi(text) : 0;
    return rounds > 0 ? rounds : suite;
}

}  // namespace

TEST(ShutdownRace, OutputArrivingWhileTheScreenIsDestroyedIsDroppedSafely) {
    for (int round = 0; round < Rounds(8); ++round) {
        std::atomic<bool> stop{false};
        std::atomic<int> sent{0};
        {
            ScreenHost host;
            ASSERT_EQ(g_pScreen.load(), &host.Screen());
            // Two writers, as the two readers call the notifications.
            auto writer = [&](bool message) {
                for (int i = 0; !stop; ++i) {
                    const std::string text = "race " + std::to_string(i) + (i % 3 ? "\r\n" : "");
                    if (message) {
                        OnConsoleMessage(text.c_str());
                    } else {
                        OnConsoleOutput(text.c_str());
                    }
                    ++sent;
                }
            };
            std::thread out(writer, false);
            std::thread err(writer, true);
            // Let them draw for a while, then destroy the window under them (a little later each round).
            PumpUntil([&] { return sent > 40 + round * 10; }, 10000);
            ::DestroyWindow(host.Window());
            EXPECT_EQ(g_pScreen.load(), nullptr);
            const int atDestroy = sent;
            PumpUntil([&] { return sent > atDestroy + 200; }, 5000);  // they go on, unheard
            stop = true;
            out.join();
            err.join();
            EXPECT_EQ(host.Screen().m_hWnd, nullptr);
        }
    }
}

TEST(ShutdownRace, CloseRequestsAfterTheMainWindowIsGoneHaveNoEffect) {
    for (int round = 0; round < Rounds(3); ++round) {
        std::atomic<bool> stop{false};
        std::atomic<int> calls{0};
        {
            MainWindow main;
            ASSERT_TRUE(main.WaitForPrompt());
            // The exit notification, called as the watcher calls it, but without pause, throughout.
            std::thread watcher([&] {
                while (!stop) {
                    OnConsoleExit();
                    ++calls;
                    ::Sleep(0);
                }
            });
            // The first request closes the window; the rest arrive while and after it goes.
            EXPECT_TRUE(PumpUntil([&] { return !main.Alive(); }, 15000));
            EXPECT_EQ(g_app.GetMainWndHandle(), nullptr);
            const int atClose = calls;
            PumpUntil([&] { return calls > atClose + 1000; }, 5000);
            stop = true;
            watcher.join();
        }
        // A new main window is not closed by anything left over from the old one.
        MainWindow next;
        ASSERT_TRUE(next.WaitForPrompt());
        Pump(300);
        EXPECT_TRUE(next.Alive());
        EXPECT_GE(next.Close(), 0);
    }
}

TEST(ShutdownRace, FontChangesAndResetsWhileAReaderBuildsGlyphs) {
    ScreenHost host;
    CScreenWnd& screen = host.Screen();
    std::atomic<bool> stop{false};
    std::atomic<int> lines{0};
    std::thread reader([&] {
        for (int n = 0; !stop; ++n) {
            OnConsoleOutput(KanjiLine(n).c_str());
            lines = n + 1;
        }
    });
    LOGFONTA fonts[4] = {};
    for (LOGFONTA& lf : fonts) lf = screen.GetScreenFont();
    fonts[1].lfHeight = 40;
    fonts[2].lfWeight = 700;
    fonts[2].lfItalic = TRUE;
    fonts[3].lfHeight = -2147483647 - 1;  // as a stored record may hold it
    for (int i = 0; i < 120; ++i) {
        if (i % 5 == 4) {
            screen.SetDefaults();
        } else {
            screen.SetScreenFont(fonts[i % 4]);
        }
        // A frame owed to the user-interface thread, and a paint, between the changes.
        ScreenHost::Pump();
        screen.RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
        ::Sleep(i % 3);
    }
    stop = true;
    reader.join();
    // Every line the reader finished is in the store, newest last, and the font is a real one.
    const int total = lines;
    ASSERT_GT(total, 30);
    for (int back = 0; back < 3; ++back) {
        const std::string line = screen.LineText(CScreenWnd::kLineRecords - 1 - back);
        const std::string tail = " #" + std::to_string(total - 1 - back);
        EXPECT_TRUE(line.size() > tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
            << "record " << CScreenWnd::kLineRecords - 1 - back << ": " << line;
    }
    LOGFONTA lf{};
    EXPECT_EQ(::GetObjectA(screen.m_font, sizeof lf, &lf), static_cast<int>(sizeof lf));
}

TEST(ShutdownRace, ClosingInTheMiddleOfAFloodEndsEverythingInTime) {
    const int baseline = CountThreads();
    for (int round = 0; round < Rounds(3); ++round) {
        MainWindow main;
        ASSERT_TRUE(main.WaitForPrompt());
        main.Type(ChildCommand("flood 0 " + UniqueEventName("close")));
        ASSERT_TRUE(PumpUntil([&] { return main.StoreHas("err "); })) << "no flood";
        Pump(200 + 150 * round);
        const long long ms = main.Close();
        std::printf("closed in the middle of a flood in %lld ms\n", ms);
        // Closing waits at most 2 s for the interpreter and ends the threads: well within 5 s.
        EXPECT_GE(ms, 0);
        EXPECT_LT(ms, 5000);
        // No thread of the console process outlives it (the system's own may take a moment to go).
        EXPECT_TRUE(PumpUntil([&] { return CountThreads() <= baseline; }, 5000))
            << CountThreads() << " threads, " << baseline << " before";
    }
}
