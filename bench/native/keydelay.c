/* The delay a person feels between a key and its character on the screen: presses a key through the X
 * server (XTest, as a keyboard would) and polls the pixels of a region of the screen (the entry box)
 * until they show something the key made. Keys alternate between a letter and BackSpace, so the box
 * alternates between two contents.
 *   keydelay <x> <y> <width> <height> <keys> [pause-ms]
 * The caret's blink changes the region as well, so first every picture the box shows with each of its
 * two contents is collected (the caret on and off, over more than two blinks); after a key, a picture
 * that is not one of those of the content before it counts.
 * Prints one line per key and the worst, the median and the mean; a key whose pixels do not change
 * within 60 s counts as 60000 ms and is reported as such. With KEYDELAY_CTRL_C=k in the environment,
 * Ctrl+C is pressed right before key k (the keys after it are timed while what it set off runs).
 * Linux only (Xlib, XTest). */
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

/* The pictures the region shows while nothing but the caret moves. */
enum { kMaxPictures = 8 };
typedef struct {
    XImage* pictures[kMaxPictures];
    int count;
} Pictures;

static int Known(const Pictures* p, XImage* image) {
    for (int i = 0; i < p->count; ++i)
        if (Same(p->pictures[i], image)) return 1;
    return 0;
}

/* Samples the region for `ms` and keeps each picture not seen before. */
static void Collect(Display* d, Window root, int x, int y, int w, int h, double ms, Pictures* p) {
    double end = NowMs() + ms;
    while (NowMs() < end) {
        XImage* image = XGetImage(d, root, x, y, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
        if (!Known(p, image) && p->count < kMaxPictures)
            p->pictures[p->count++] = image;
        else
            XDestroyImage(image);
        Pause(10);
    }
}

/* Presses `key` and waits until the region shows a picture that is not one of `before`; the time from
 * the press, or 60000 when none comes within 60 s. */
static double Press(Display* d, Window root, int x, int y, int w, int h, KeyCode key, const Pictures* before) {
    double t0 = NowMs();
    XTestFakeKeyEvent(d, key, True, 0);
    XTestFakeKeyEvent(d, key, False, 0);
    XFlush(d);
    for (;;) {
        XImage* now = XGetImage(d, root, x, y, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
        int known = Known(before, now);
        XDestroyImage(now);
        double t = NowMs() - t0;
        if (!known) return t;
        if (t > 60000) return 60000;
        Pause(1);
    }
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
    /* The box empty, then holding the letter: every picture of each over 1.2 s (two blinks or more). */
    Pictures contents[2];
    memset(contents, 0, sizeof contents);
    Collect(d, root, x, y, w, h, 1200, &contents[0]);
    Press(d, root, x, y, w, h, letter, &contents[0]);
    Pause(300);
    Collect(d, root, x, y, w, h, 1200, &contents[1]);
    Press(d, root, x, y, w, h, back, &contents[1]);
    Pause(pause);
    printf("pictures of the box: %d empty, %d holding the letter\n", contents[0].count, contents[1].count);
    const char* ctrlc = getenv("KEYDELAY_CTRL_C");
    int ctrlcBefore = ctrlc ? atoi(ctrlc) : 0;
    KeyCode control = XKeysymToKeycode(d, XK_Control_L), c = XKeysymToKeycode(d, XK_c);
    double* delays = calloc((size_t)keys, sizeof(double));
    double worst = 0, sum = 0;
    for (int i = 0; i < keys; ++i) {
        if (i + 1 == ctrlcBefore) {
            XTestFakeKeyEvent(d, control, True, 0);
            XTestFakeKeyEvent(d, c, True, 0);
            XTestFakeKeyEvent(d, c, False, 0);
            XTestFakeKeyEvent(d, control, False, 0);
            XFlush(d);
            printf("ctrl+c pressed\n");
        }
        double delay = Press(d, root, x, y, w, h, i % 2 == 0 ? letter : back, &contents[i % 2]);
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
