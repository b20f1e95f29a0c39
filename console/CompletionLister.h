#pragma once
// CompletionLister: the names of a folder that complete a word in the entry box, listed beside the
// user-interface thread so that a large or slow folder never freezes the window.
//
// Each listing runs on a worker thread of its own. List waits for it a moment; a listing that takes
// longer goes on, and its end is posted to a window as a message whose wParam is the listing's ticket,
// on which Take hands the names over. A new List, or Cancel, drops the listing awaited: its worker
// stops at its next name and its result is never delivered.
//
// Threads: every member is called on the user-interface thread. A worker touches only its own Job,
// which it shares with this object through a shared_ptr (whichever lets go last frees it), and posts
// to the window handle it was given: never this object, never a window object. Stop, at the window's
// end, waits for the workers, each of which stops at its next name; one that does not end in time (a
// server that stopped answering inside FindNextFile) is left to finish alone, holding nothing but its
// own Job.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CompletionLister {
public:
    CompletionLister() = default;
    ~CompletionLister() { Stop(kStopWaitMs); }
    CompletionLister(const CompletionLister&) = delete;
    CompletionLister& operator=(const CompletionLister&) = delete;

    // How long Stop waits, by default, for the workers to end.
    static constexpr DWORD kStopWaitMs = 1000;

    // Lists the names in `folder` (ending in a separator) that complete `prefix` (NameMatches), in
    // order (SortNames). True when that took at most `waitMs`: the names are in `matches`. False when
    // it goes on: `msg` is posted to `notify` once it has ended, unless it is dropped meanwhile. With
    // `waitMs` 0 it always goes on.
    bool List(const std::string& folder, const std::string& prefix, DWORD waitMs, HWND notify, UINT msg,
              std::vector<std::string>& matches);
    // On the posted message: the names of the listing `ticket` (its wParam) into `matches`. False when
    // that listing is no longer the one awaited.
    bool Take(WPARAM ticket, std::vector<std::string>& matches);
    // Whether a listing's end is awaited.
    bool Pending() const { return m_pJob != nullptr; }
    void Cancel();
    // Cancel, then waits up to `waitMs` in all for the workers to end.
    void Stop(DWORD waitMs);

private:
    struct Job;
    static unsigned __stdcall WorkerThread(void* param);
    static void Run(Job& job);
    // Closes the handles of the workers that have ended.
    void Reap();

    std::shared_ptr<Job> m_pJob;    // the listing awaited, or null
    std::vector<HANDLE> m_workers;  // workers not yet seen to end
    WPARAM m_nTicket = 0;
};
