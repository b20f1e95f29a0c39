// Copying the screen's Shift-JIS text to the clipboard: both text formats, and a clipboard held by
// another thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "screen/ClipboardText.h"

namespace {
// The clipboard's data in `format` as bytes (empty when there is none), read on this thread.
std::string ReadFormat(UINT format) {
    std::string bytes;
    if (!::OpenClipboard(nullptr)) return "(clipboard not opened)";
    if (HANDLE data = ::GetClipboardData(format)) {
        if (const char* p = static_cast<const char*>(::GlobalLock(data))) {
            bytes.assign(p, ::GlobalSize(data));
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return bytes;
}

std::wstring ReadUnicode() {
    const std::string bytes = ReadFormat(CF_UNICODETEXT);
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(&text[0], bytes.data(), text.size() * sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

// A window of the calling thread that only owns the clipboard.
struct OwnerWindow {
    HWND hwnd = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ~OwnerWindow() {
        if (hwnd != nullptr) ::DestroyWindow(hwnd);
    }
};

std::string ReadAnsi() {
    const std::string bytes = ReadFormat(CF_TEXT);
    return bytes.substr(0, bytes.find('\0'));
}
}  // namespace

TEST(ClipboardText, ShiftJisArrivesAsTextAndAsUnicode) {
    // "あい" and half-width "ｶﾅ" in Shift-JIS, a kanji whose trail byte is '\\' (表, 0x95 0x5C), two lines.
    const std::string text = "\x82\xA0\x82\xA2 \xB6\xC5\r\n\x95\x5C C:\\>";
    ASSERT_TRUE(PutClipboardText(nullptr, text));
    EXPECT_EQ(ReadAnsi(), text);
    EXPECT_EQ(ReadUnicode(), std::wstring(L"\u3042\u3044 \uFF76\uFF85\r\n\u8868 C:\\>"));

    ASSERT_TRUE(PutClipboardText(nullptr, ""));
    EXPECT_EQ(ReadAnsi(), "");
    EXPECT_EQ(ReadUnicode(), L"") << "an empty view replaces what was there";
}

TEST(ClipboardText, GivesUpQuicklyWhileAnotherThreadHoldsTheClipboard) {
    OwnerWindow screen;
    ASSERT_NE(screen.hwnd, nullptr);
    ASSERT_TRUE(PutClipboardText(screen.hwnd, "before"));
    std::atomic<int> state{0};  // 1: the other thread holds the clipboard; 2: it may let go
    // Another program's window: one of another thread, which holds the clipboard open.
    std::thread holder([&] {
        OwnerWindow other;
        if (other.hwnd == nullptr || !::OpenClipboard(other.hwnd)) {
            state = -1;
            return;
        }
        state = 1;
        while (state != 2) ::Sleep(1);
        ::CloseClipboard();
    });
    while (state == 0) ::Sleep(1);
    // A failure here must still join the thread, which has returned: a thread never joined ends the
    // whole test program.
    EXPECT_EQ(state, 1) << "the other thread could not open the clipboard";
    if (state != 1) {
        holder.join();
        return;
    }

    const auto start = std::chrono::steady_clock::now();
    const bool put = PutClipboardText(screen.hwnd, "after");
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    state = 2;
    holder.join();
    EXPECT_FALSE(put);
    EXPECT_LT(ms, 500) << "gives up instead of waiting";
    EXPECT_GE(ms, 20) << "tries again for a while first";
    EXPECT_EQ(ReadAnsi(), "before") << "nothing was changed";

    // Once the other thread has let go, copying works again.
    ASSERT_TRUE(PutClipboardText(screen.hwnd, "after"));
    EXPECT_EQ(ReadAnsi(), "after");
}
