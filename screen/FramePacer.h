#pragma once
// When the screen draws its frames, as pure logic over a clock it is handed (milliseconds). No more frames
// than a display shows: a frame is drawn at once after a pause (an answer to a command), else one interval
// after the start of the frame before, so that a frame that takes longer than the interval is followed at
// once, never sooner.
//
// How it is asked. A change (an append, a move of the view, a colour) leaves a frame owed; the first
// change after a frame asks the user-interface thread by a posted message, later ones ask nothing, since
// the frame asked for will show them too. That message draws at once, or sets a timer for the rest of the
// interval. A frame that was asked for keeps the asking claimed until it is drawn, and a frame owed again
// by then follows by a timer, never by a posted message: timer messages (like paints) come only when no
// input waits, while posted ones come before it, so during a flood whose frames take longer than the
// interval, frames asked by posted messages would follow one another and keys and clicks would wait for
// as long as the flood lasts.
//
// Threads: any thread may call any member; the pacer locks itself (the screen calls it under its own lock
// as well, which it takes first).
#include <cstdint>
#include <functional>
#include <mutex>

struct PaceStep {
    enum Kind { kNothing, kPost, kDrawNow, kTimer };
    Kind kind = kNothing;
    unsigned ms = 0;  // kTimer: in how many milliseconds (0: as soon as a timer can)
    bool operator==(const PaceStep& other) const { return kind == other.kind && ms == other.ms; }
};

class FramePacer {
public:
    using Clock = std::function<std::uint64_t()>;

    FramePacer(Clock now, unsigned intervalMs);

    // Something the screen shows has changed: kPost when the user-interface thread must be asked for the
    // frame now, else kNothing.
    PaceStep Changed();
    // The posted message arrived: kDrawNow, or kTimer for the rest of the interval.
    PaceStep Posted();
    // Whether a frame is owed.
    bool Owed() const;
    // A frame that was asked for (by the message or the timer; `asked`), or a paint, found nothing to draw
    // or could not draw; the next change asks again.
    void NothingDrawn(bool asked);
    // A frame is being made: what it shows is noted now, so nothing is owed until the next change.
    void FrameStarted();
    // The frame is on the screen: kNothing, or kTimer for the frame owed meanwhile.
    PaceStep AfterFrame(bool asked);
    // True when a change now would be drawn at once (nothing asked, the interval over): the screen then
    // leaves its work to that frame.
    bool WouldDrawAtOnce() const;
    // The window is going: changes ask nothing from now on.
    void Close();

private:
    bool IntervalOver() const;  // lock held
    // A timer for the rest of the interval (0 once it is over). Lock held.
    PaceStep TimerForRest() const;

    Clock m_now;
    const unsigned m_nIntervalMs;
    mutable std::mutex m_lock;
    std::uint64_t m_lastFrame = 0;  // when the last frame started
    bool m_bStarted = false;        // a frame has started at all
    bool m_bOwed = false;
    bool m_bAsked = false;  // the user-interface thread has been asked (message or timer)
    bool m_bClosed = false;
};
