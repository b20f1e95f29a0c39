// B4 frame: the time of a frame of a full screen (30 lines of 80 columns) in extruded glyphs, against the
// same screen in the platform's flat glyphs and against an empty screen (the background alone), and the
// triangles per glyph of both builders over the printable ASCII and a sample of kanji.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "glyph/GlyphCache.h"

using namespace bench;

namespace {

constexpr int kRounds = 41;

// The screens measured: the same 30 records showing extruded lists; the platform's flat lists as the
// platform builds them by default (deviation 0) and within our own flattening tolerance; or nothing.
// Switching is a matter of the line list names the records hold.
enum Screen { kExtruded, kFlat, kFlatSame, kEmpty, kScreens };

void Show(CScreenWnd& screen, const std::vector<GLuint> (&names)[kScreens], Screen which) {
    for (int i = 0; i < CScreenWnd::kLineRecords; ++i) screen.m_lines[i].m_nList = names[which][static_cast<size_t>(i)];
}

// The drawing alone, without showing the result: DrawScene and glFinish.
double TimeDraw(CScreenWnd& screen) {
    CGLDC dc(screen);
    ::wglMakeCurrent(dc.get(), screen.GetRC());
    const double start = NowMs();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(screen.m_eye[0], screen.m_eye[1], screen.m_eye[2], screen.m_target[0], screen.m_target[1],
              screen.m_target[2], screen.m_up[0], screen.m_up[1], screen.m_up[2]);
    screen.DrawScene(dc.get());
    glFinish();
    const double time = NowMs() - start;
    ::wglMakeCurrent(nullptr, nullptr);
    return time;
}

struct TriangleStats {
    double average = 0;
    int largest = 0;
    unsigned largestCode = 0;
};

TriangleStats Stats(const std::vector<std::pair<unsigned, int>>& counts) {
    TriangleStats s;
    for (const auto& c : counts) {
        s.average += c.second;
        if (c.second > s.largest) {
            s.largest = c.second;
            s.largestCode = c.first;
        }
    }
    if (!counts.empty()) s.average /= static_cast<double>(counts.size());
    return s;
}

// A sample of first-level kanji: every 23rd code from 0x889F to 0x9872.
std::vector<unsigned> KanjiSample() {
    std::vector<unsigned> codes;
    int n = 0;
    for (unsigned lead = 0x88; lead <= 0x98; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            const unsigned code = lead * 256 + trail;
            if (trail == 0x7F || code < 0x889F || code > 0x9872) continue;
            if (n++ % 23 == 0) codes.push_back(code);
        }
    }
    return codes;
}

void Triangles(CScreenWnd& screen) {
    CGLDC dc(screen);
    ::wglMakeCurrent(dc.get(), screen.GetRC());
    HGDIOBJ old = ::SelectObject(dc.get(), screen.m_font);
    std::vector<unsigned> ascii;
    for (unsigned c = 0x21; c <= 0x7E; ++c) ascii.push_back(c);
    const struct {
        const char* name;
        std::vector<unsigned> codes;
    } sets[] = {{"printable ASCII", ascii}, {"kanji sample", KanjiSample()}};
    GLuint owner = 0x7F000000u;
    for (const auto& set : sets) {
        std::vector<std::pair<unsigned, int>> ours, flat;
        std::map<unsigned, GLuint> platform = BuildPlatformGlyphs(dc.get(), set.codes, 0.0f);
        std::map<unsigned, GLuint> same = BuildPlatformGlyphs(dc.get(), set.codes, glyph::kFlatness);
        std::vector<std::pair<unsigned, int>> flatSame;
        for (unsigned code : set.codes) {
            GLuint list = 0;
            if (CGlyphCache::Current()->Acquire(dc.get(), CScreenWnd::kExtrusion, &code, 1, owner, &list)) {
                ours.push_back({code, CountTriangles(list)});
                CGlyphCache::Current()->Release(owner++);
            }
            if (platform.count(code) != 0) flat.push_back({code, CountTriangles(platform[code])});
            if (same.count(code) != 0) flatSame.push_back({code, CountTriangles(same[code])});
        }
        DeletePlatformGlyphs(platform);
        DeletePlatformGlyphs(same);
        const TriangleStats o = Stats(ours), f = Stats(flat), fs = Stats(flatSame);
        Info("B4", "triangles per glyph, %s (%zu glyphs): extruded average %.1f, largest %d (0x%X); "
             "platform flat average %.1f, largest %d (0x%X); platform flat within our tolerance average %.1f, "
             "largest %d",
             set.name, set.codes.size(), o.average, o.largest, o.largestCode, f.average, f.largest,
             f.largestCode, fs.average, fs.largest);
    }
    ::SelectObject(dc.get(), old);
    ::wglMakeCurrent(nullptr, nullptr);
}

}  // namespace

int main() {
    ScreenHost host;
    CScreenWnd& screen = host.Screen();
    const RECT rc = screen.GetClientRect();

    for (int i = 0; i < 30; ++i) screen.AppendOutput((ListingLine(i) + "\r\n").c_str());

    // The same 30 lines in the platform's flat glyphs, within the same flattening deviation.
    std::vector<GLuint> names[kScreens];
    std::map<unsigned, GLuint> platform, platformSame;
    {
        CGLDC dc(screen);
        ::wglMakeCurrent(dc.get(), screen.GetRC());
        HGDIOBJ old = ::SelectObject(dc.get(), screen.m_font);
        std::vector<std::vector<unsigned>> lines;
        std::vector<unsigned> all;
        for (int i = 0; i < CScreenWnd::kLineRecords; ++i) {
            lines.push_back(Codes(screen.LineText(i)));
            all.insert(all.end(), lines.back().begin(), lines.back().end());
        }
        platform = BuildPlatformGlyphs(dc.get(), all, 0.0f);
        platformSame = BuildPlatformGlyphs(dc.get(), all, glyph::kFlatness);
        for (int i = 0; i < CScreenWnd::kLineRecords; ++i) {
            names[kExtruded].push_back(screen.m_lines[i].m_nList);
            for (Screen which : {kFlat, kFlatSame}) {
                std::map<unsigned, GLuint>& glyphs = which == kFlat ? platform : platformSame;
                const GLuint list = glGenLists(1);
                glNewList(list, GL_COMPILE);
                for (unsigned code : lines[static_cast<size_t>(i)]) glCallList(glyphs[code]);
                glEndList();
                names[which].push_back(list);
            }
            names[kEmpty].push_back(0);
        }
        ::SelectObject(dc.get(), old);
        ::wglMakeCurrent(nullptr, nullptr);
    }

    // The screens in turn, frame by frame, so that each sees the same conditions of the machine.
    std::vector<double> frame[kScreens], draw[kScreens];
    for (int round = -1; round < kRounds; ++round) {
        for (int s = 0; s < kScreens; ++s) {
            const Screen which = static_cast<Screen>((s + round + kScreens) % kScreens);
            Show(screen, names, which);
            const double f = TimeOneFrame(screen);
            const double d = TimeDraw(screen);
            if (round >= 0) {  // the first round only warms up
                frame[which].push_back(f);
                draw[which].push_back(d);
            }
        }
    }
    Show(screen, names, kExtruded);
    {
        CGLDC dc(screen);
        ::wglMakeCurrent(dc.get(), screen.GetRC());
        for (Screen which : {kFlat, kFlatSame})
            for (GLuint list : names[which]) glDeleteLists(list, 1);
        DeletePlatformGlyphs(platform);
        DeletePlatformGlyphs(platformSame);
        ::wglMakeCurrent(nullptr, nullptr);
    }

    Info("B4", "screen %ld x %ld pixels; %d frames of each screen, taken in turn; medians", rc.right, rc.bottom,
         kRounds);
    const double extruded = Median(frame[kExtruded]), flat = Median(frame[kFlat]), empty = Median(frame[kEmpty]);
    Figure("B4", "full screen (30 x 80), extruded, frame", extruded, "same screen, platform flat glyphs", flat, "ms",
           Bound::kAtMost, 1.5);
    const double flatSame = Median(frame[kFlatSame]);
    Info("B4", "the platform's flat glyphs flattened within our tolerance (%.4f em) instead of its default: "
         "%.2f ms a frame; extruded/that = %.2f", glyph::kFlatness, flatSame, flatSame > 0 ? extruded / flatSame : 0.0);
    Info("B4", "empty screen (background only): %.2f ms a frame; the full extruded screen is %.2fx that",
         empty, empty > 0 ? extruded / empty : 0.0);
    Info("B4", "drawing alone (no read-back, no copy to the window): extruded %.2f ms, flat %.2f ms, flat within "
         "our tolerance %.2f ms, empty %.2f ms",
         Median(draw[kExtruded]), Median(draw[kFlat]), Median(draw[kFlatSame]), Median(draw[kEmpty]));
    Triangles(screen);
    return 0;
}
