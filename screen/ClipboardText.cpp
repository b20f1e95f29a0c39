#include "screen/ClipboardText.h"

#include <cstring>

namespace {
constexpr UINT kCodePage = 932;
constexpr int kOpenTries = 5;
constexpr DWORD kOpenRetryMs = 10;
constexpr LCID kJapanese = 0x0411;

// A movable global block of `bytes` bytes, filled by `fill`; null when there is no memory.
template <typename Fill>
HGLOBAL MakeBlock(SIZE_T bytes, Fill fill) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (block == nullptr) return nullptr;
    void* p = ::GlobalLock(block);
    if (p == nullptr) {
        ::GlobalFree(block);
        return nullptr;
    }
    fill(p);
    ::GlobalUnlock(block);
    return block;
}

// Hands `block` to the clipboard, which owns it from then on; frees it when the clipboard refuses it.
bool Give(UINT format, HGLOBAL block) {
    if (block == nullptr) return false;
    if (::SetClipboardData(format, block) != nullptr) return true;
    ::GlobalFree(block);
    return false;
}

bool OpenWithRetries(HWND owner) {
    for (int i = 0; i < kOpenTries; ++i) {
        if (::OpenClipboard(owner)) return true;
        if (i + 1 < kOpenTries) ::Sleep(kOpenRetryMs);
    }
    return false;
}
}  // namespace

bool PutClipboardText(HWND owner, const std::string& text) {
    // CF_TEXT ends at the first NUL; the lines of the screen hold none.
    const std::size_t size = std::strlen(text.c_str());
    // Converted before the clipboard is opened, so that it is held as briefly as possible.
    std::wstring wide;
    if (size != 0) {
        const int n = ::MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(size), nullptr, 0);
        if (n <= 0) return false;
        wide.resize(static_cast<std::size_t>(n));
        ::MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(size), &wide[0], n);
    }
    if (!OpenWithRetries(owner)) return false;
    bool ok = ::EmptyClipboard() != FALSE;
    if (ok) {
        ok = Give(CF_TEXT, MakeBlock(size + 1, [&](void* p) { std::memcpy(p, text.c_str(), size + 1); }));
        ok = ok && Give(CF_UNICODETEXT, MakeBlock((wide.size() + 1) * sizeof(wchar_t), [&](void* p) {
                            std::memcpy(p, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
                        }));
        // Only for the system's conversions to other formats: not having it is no failure.
        Give(CF_LOCALE, MakeBlock(sizeof(LCID), [](void* p) { std::memcpy(p, &kJapanese, sizeof(LCID)); }));
    }
    ::CloseClipboard();
    return ok;
}
