// B3 glyph build: a line of 80 characters built as the screen builds a line (CGlyphLine::Build over the
// glyph cache), cold (no glyph of it built before) and warm (every glyph cached), against the platform's
// own builder (wglUseFontOutlinesA) making the same characters flat. Once for 80 printable ASCII
// characters, once for 80 kana and kanji.
#include <GL/gl.h>

#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "glyph/GlyphCache.h"
#include "res/Texts.h"
#include "screen/GlyphLine.h"

using namespace bench;

namespace {

constexpr int kRounds = 15;

// A plain window with a context current on this thread for the whole run, and the screen's default font.
struct GLWindow {
    HWND hWnd = nullptr;
    HDC dc = nullptr;
    HGLRC rc = nullptr;
    HFONT font = nullptr;
    HGDIOBJ oldFont = nullptr;

    GLWindow() {
        WNDCLASSA wc{};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "VxGlyphBench";
        ::RegisterClassA(&wc);
        hWnd = ::CreateWindowA(wc.lpszClassName, "glyph bench", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr,
                               nullptr, wc.hInstance, nullptr);
        dc = ::GetDC(hWnd);
        PIXELFORMATDESCRIPTOR pfd{};
        pfd.nSize = sizeof pfd;
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        pfd.cColorBits = 24;
        pfd.cDepthBits = 16;
        ::SetPixelFormat(dc, ::ChoosePixelFormat(dc, &pfd), &pfd);
        rc = ::wglCreateContext(dc);
        ::wglMakeCurrent(dc, rc);
        // The screen's default font: 14 pixels, the Mincho face.
        font = ::CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_TT_PRECIS, 0, 0, 4,
                             kFaceMinchoP);
        oldFont = ::SelectObject(dc, font);
    }
    ~GLWindow() {
        CGlyphCache::DestroyCurrent();
        ::SelectObject(dc, oldFont);
        ::DeleteObject(font);
        ::wglMakeCurrent(nullptr, nullptr);
        ::wglDeleteContext(rc);
        ::ReleaseDC(hWnd, dc);
        ::DestroyWindow(hWnd);
    }
};

struct LineTimes {
    double cold = 0;
    double warm = 0;
    double platform = 0;      // the platform's builder with its default deviation (0)
    double platformSame = 0;  // the platform's builder within our flattening tolerance
};

LineTimes Measure(GLWindow& w, const std::string& text) {
    std::vector<double> cold, warm, platform, platformSame;
    const std::vector<unsigned> codes = Codes(text);
    for (int round = 0; round < kRounds; ++round) {
        // Cold: a cache that has seen none of the glyphs.
        CGlyphCache::DestroyCurrent();
        CGlyphLine line;
        double start = NowMs();
        line.Build(w.dc, text.c_str(), CScreenWnd::kExtrusion);
        glFinish();
        cold.push_back(NowMs() - start);
        line.Delete();
        // Warm: every glyph cached (the font stays current, so its glyphs outlive the line).
        start = NowMs();
        line.Build(w.dc, text.c_str(), CScreenWnd::kExtrusion);
        glFinish();
        warm.push_back(NowMs() - start);
        line.Delete();
        // The platform's builder, flat, the same characters: as a program calls it (deviation 0, the
        // platform's default) and within our own flattening tolerance.
        for (int pass = 0; pass < 2; ++pass) {
            start = NowMs();
            std::map<unsigned, GLuint> flat = BuildPlatformGlyphs(w.dc, codes, pass == 0 ? 0.0f : glyph::kFlatness);
            glFinish();
            (pass == 0 ? platform : platformSame).push_back(NowMs() - start);
            DeletePlatformGlyphs(flat);
        }
    }
    return {Median(cold), Median(warm), Median(platform), Median(platformSame)};
}

// Where a cold glyph's time goes: the same steps as the cache takes, timed one by one over `codes`.
void Phases(GLWindow& w, const char* name, const std::vector<unsigned>& codes) {
    LOGFONTA lf{};
    ::GetObjectA(w.font, sizeof lf, &lf);
    lf.lfHeight = -2048;
    HFONT big = ::CreateFontIndirectA(&lf);
    HGDIOBJ old = ::SelectObject(w.dc, big);
    std::vector<unsigned char> buffer(1 << 16);
    glyph::Outline outline;
    glyph::Polygon polygon;
    glyph::GlyphMesh mesh;
    glyph::CGluTriangulator tess;
    double outlineMs = 0, flattenMs = 0, meshMs = 0, compileMs = 0;
    size_t points = 0;
    for (unsigned code : codes) {
        char bytes[2];
        int len = 0;
        if (code > 0xFF) bytes[len++] = static_cast<char>(code >> 8);
        bytes[len++] = static_cast<char>(code & 0xFF);
        WCHAR wide[2] = {};
        ::MultiByteToWideChar(932, 0, bytes, len, wide, 2);
        const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
        GLYPHMETRICS gm;
        double t = NowMs();
        const DWORD size = ::GetGlyphOutlineW(w.dc, wide[0], GGO_NATIVE | GGO_UNHINTED, &gm,
                                              static_cast<DWORD>(buffer.size()), buffer.data(), &identity);
        outlineMs += NowMs() - t;
        if (size == GDI_ERROR) continue;
        t = NowMs();
        glyph::ParseNativeOutline(buffer.data(), size, 1.0f / 2048.0f, outline);
        glyph::FlattenOutline(outline, glyph::kFlatness, polygon);
        flattenMs += NowMs() - t;
        points += polygon.points.size();
        t = NowMs();
        glyph::BuildExtrudedMesh(polygon, CScreenWnd::kExtrusion, tess, mesh);
        meshMs += NowMs() - t;
        t = NowMs();
        const GLuint list = glyph::CompileGlyphList(mesh, 0.5f);
        compileMs += NowMs() - t;
        glDeleteLists(list, 1);
    }
    ::SelectObject(w.dc, old);
    ::DeleteObject(big);
    Info("B3", "%s glyphs cold, by step: outline %.3f ms, reading and flattening %.3f ms, faces and walls "
         "%.3f ms, compiling %.3f ms (%.1f points a glyph)",
         name, outlineMs, flattenMs, meshMs, compileMs, static_cast<double>(points) / codes.size());
}

}  // namespace

int main() {
    GLWindow w;
    Info("B3", "80-character lines, %d rounds, medians; our flattening tolerance %.4f em; the platform's builder "
         "as a program calls it (deviation 0: its default)", kRounds, glyph::kFlatness);
    const struct {
        const char* name;
        std::string text;
    } lines[] = {{"ASCII", AsciiLine80()}, {"kana and kanji", KanjiLine80()}};
    for (const auto& l : lines) {
        const LineTimes t = Measure(w, l.text);
        char what[96];
        std::snprintf(what, sizeof what, "%s line, cold build (speed-up when warm)", l.name);
        Figure("B3", what, t.cold, "the same line, warm build", t.warm, "ms", Bound::kAtLeast, 20.0);
        std::snprintf(what, sizeof what, "%s line, cold build, extruded", l.name);
        Figure("B3", what, t.cold, "platform builder, flat", t.platform, "ms", Bound::kAtMost, 1.0);
        Info("B3", "%s line: cold %.3f ms, warm %.3f ms; platform flat %.3f ms, within our tolerance %.3f ms "
             "(cold/that = %.2f)", l.name, t.cold, t.warm, t.platform, t.platformSame,
             t.platformSame > 0 ? t.cold / t.platformSame : 0.0);
        Phases(w, l.name, Codes(l.text));
    }

    // What making the context current costs on this platform: the screen pays it around every
    // operation that touches GL from a thread.
    std::vector<double> swaps;
    for (int i = 0; i < 200; ++i) {
        const double start = NowMs();
        ::wglMakeCurrent(nullptr, nullptr);
        ::wglMakeCurrent(w.dc, w.rc);
        swaps.push_back(NowMs() - start);
    }
    Info("B3", "releasing and making the context current again: %.3f ms", Median(swaps));
    return 0;
}
