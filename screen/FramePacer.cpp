#include "screen/FramePacer.h"

#include <utility>

FramePacer::FramePacer(Clock now, unsigned intervalMs) : m_now(std::move(now)), m_nIntervalMs(intervalMs) {}

bool FramePacer::IntervalOver() const { return !m_bStarted || m_now() - m_lastFrame >= m_nIntervalMs; }

PaceStep FramePacer::TimerForRest() const {
    if (IntervalOver()) return {PaceStep::kTimer, 0};
    return {PaceStep::kTimer, static_cast<unsigned>(m_nIntervalMs - (m_now() - m_lastFrame))};
}

PaceStep FramePacer::Changed() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_bOwed = true;
    if (m_bAsked || m_bClosed) return {};
    m_bAsked = true;
    return {PaceStep::kPost, 0};
}

PaceStep FramePacer::Posted() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (IntervalOver()) return {PaceStep::kDrawNow, 0};
    return TimerForRest();
}

bool FramePacer::Owed() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bOwed;
}

void FramePacer::NothingDrawn(bool asked) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (asked) m_bAsked = false;
}

void FramePacer::FrameStarted() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_lastFrame = m_now();
    m_bStarted = true;
    m_bOwed = false;
}

PaceStep FramePacer::AfterFrame(bool asked) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_bOwed) {
        if (asked) m_bAsked = false;
        return {};
    }
    // A paint while a frame is asked for already leaves that one to come.
    if (!asked && m_bAsked) return {};
    m_bAsked = true;
    return TimerForRest();
}

bool FramePacer::WouldDrawAtOnce() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return !m_bAsked && IntervalOver();
}

void FramePacer::Close() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_bClosed = true;
}
