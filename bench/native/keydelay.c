/* The delay a person feels between a key and its character on the screen: presses a key through the X
 * server (XTest, as a keyboard would) and polls the pixels of a region of the screen (the entry box)
 * until they change. Keys alternate between a letter and BackSpace, so every key changes the region.
 *   keydelay <x> <y> <width> <height> <keys> [pause-ms]
 * The first change counts, and the caret's blink changes the region too: a key slower than the next
 * blink (at most about half a second) would be reported at the blink.
 * Prints one line per key and the worst, the median and the mean; a key whose pixels do not change
 * within 60 s counts as 60000 ms and is reported as such. Linux only (Xlib, XTest). */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double NowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static void Pause(double ms) {
    struct timespec t = {(time_t)(ms / 1000), (long)((ms - (long)(ms / 1000) * 1000) * 1e6)};
    nanosleep(&t, NULL);
}

static int Same(XImage* a, XImage* b) {
    return a->height * a->bytes_per_line == b->height * b->bytes_per_line &&
           memcmp(a->data, b->data, (size_t)a->height * a->bytes_per_line) == 0;
}

static int Compare(const void* a, const void* b) {
    double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

int main(int argc, char** argv) {
    if (argc < 6) {
        fprintf(stderr, "usage: keydelay x y width height keys [pause-ms]\n");
        return 2;
    }
    int x = atoi(argv[1]), y = atoi(argv[2]), w = atoi(argv[3]), h = atoi(argv[4]), keys = atoi(argv[5]);
    double pause = argc > 6 ? atof(argv[6]) : 500;
    Display* d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "keydelay: no display\n");
        return 1;
    }
    Window root = DefaultRootWindow(d);
    KeyCode letter = XKeysymToKeycode(d, XK_x), back = XKeysymToKeycode(d, XK_BackSpace);
    double* delays = calloc((size_t)keys, sizeof(double));
    double worst = 0, sum = 0;
    for (int i = 0; i < keys; ++i) {
        XImage* before = XGetImage(d, root, x, y, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
        KeyCode k = i % 2 == 0 ? letter : back;
        double t0 = NowMs();
        XTestFakeKeyEvent(d, k, True, 0);
        XTestFakeKeyEvent(d, k, False, 0);
        XFlush(d);
        double delay = 60000;
        for (;;) {
            XImage* now = XGetImage(d, root, x, y, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
            int same = Same(before, now);
            XDestroyImage(now);
            double t = NowMs() - t0;
            if (!same) {
                delay = t;
                break;
            }
            if (t > 60000) break;
            Pause(1);
        }
        XDestroyImage(before);
        delays[i] = delay;
        sum += delay;
        if (delay > worst) worst = delay;
        printf("key %2d: %8.1f ms%s\n", i + 1, delay, delay >= 60000 ? " (no change within 60 s)" : "");
        fflush(stdout);
        Pause(pause);
    }
    qsort(delays, (size_t)keys, sizeof(double), Compare);
    printf("keys %d: worst %.1f ms, median %.1f ms, mean %.1f ms\n", keys, worst, delays[keys / 2], sum / keys);
    XCloseDisplay(d);
    return 0;
}
