#include "console/CompletionLister.h"

#include <process.h>

#include <atomic>
#include <utility>

#include "console/Completion.h"

// What a listing needs and gives. `matches` is the worker's until it has stored kListed in `state`,
// then the user-interface thread's.
struct CompletionLister::Job {
    // Who delivers the names: while the caller still waits, the caller takes them itself; once it has
    // stopped waiting (kPost), the worker posts its end.
    enum State { kWaited, kListed, kPost };

    std::string folder, prefix;
    HWND notify = nullptr;
    UINT msg = 0;
    WPARAM ticket = 0;
    std::atomic<bool> bCancelled{false};
    std::atomic<int> state{kWaited};
    std::vector<std::string> matches;
};

void CompletionLister::Run(Job& job) {
    // Every name, filtered here rather than by a pattern, which would also match the short (8.3) names.
    const std::string pattern = job.folder + "*";
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_INVALID_PARAMETER) {
        find = ::FindFirstFileA(pattern.c_str(), &data);  // a system older than 7 knows neither option
    }
    if (find == INVALID_HANDLE_VALUE) return;  // no such folder, or no access: no names
    do {
        if (job.bCancelled.load()) break;
        if (NameMatches(data.cFileName, job.prefix)) job.matches.emplace_back(data.cFileName);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    if (!job.bCancelled.load()) SortNames(job.matches);
}

unsigned __stdcall CompletionLister::WorkerThread(void* param) {
    const std::unique_ptr<std::shared_ptr<Job>> owned(static_cast<std::shared_ptr<Job>*>(param));
    Job& job = **owned;
    Run(job);
    if (job.state.exchange(Job::kListed) == Job::kPost && !job.bCancelled.load()) {
        ::PostMessageA(job.notify, job.msg, job.ticket, 0);  // fails harmlessly once the window is gone
    }
    return 0;
}

bool CompletionLister::List(const std::string& folder, const std::string& prefix, DWORD waitMs, HWND notify,
                            UINT msg, std::vector<std::string>& matches) {
    Cancel();
    Reap();
    auto job = std::make_shared<Job>();
    job->folder = folder;
    job->prefix = prefix;
    job->notify = notify;
    job->msg = msg;
    job->ticket = ++m_nTicket;
    if (waitMs == 0) job->state.store(Job::kPost);  // no wait at all: the end is always posted
    auto* param = new std::shared_ptr<Job>(job);
    const uintptr_t handle = _beginthreadex(nullptr, 0, &CompletionLister::WorkerThread, param, 0, nullptr);
    if (handle == 0) {
        // No thread to be had: listed here, the window waiting for it.
        delete param;
        Run(*job);
        matches = std::move(job->matches);
        return true;
    }
    HANDLE thread = reinterpret_cast<HANDLE>(handle);
    if (waitMs > 0) ::WaitForSingleObject(thread, waitMs);
    if (waitMs > 0 && job->state.exchange(Job::kPost) == Job::kListed) {
        matches = std::move(job->matches);
        ::CloseHandle(thread);  // it only returns now, touching nothing of ours
        return true;
    }
    m_workers.push_back(thread);
    m_pJob = std::move(job);
    return false;
}

bool CompletionLister::Take(WPARAM ticket, std::vector<std::string>& matches) {
    if (m_pJob == nullptr || m_pJob->ticket != ticket || m_pJob->state.load() != Job::kListed) return false;
    matches = std::move(m_pJob->matches);
    m_pJob.reset();
    return true;
}

void CompletionLister::Cancel() {
    if (m_pJob == nullptr) return;
    m_pJob->bCancelled.store(true);
    m_pJob.reset();
}

void CompletionLister::Reap() {
    for (size_t i = 0; i < m_workers.size();) {
        if (::WaitForSingleObject(m_workers[i], 0) == WAIT_OBJECT_0) {
            ::CloseHandle(m_workers[i]);
            m_workers.erase(m_workers.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

void CompletionLister::Stop(DWORD waitMs) {
    Cancel();
    const DWORD start = ::GetTickCount();
    for (HANDLE worker : m_workers) {
        const DWORD spent = ::GetTickCount() - start;
        ::WaitForSingleObject(worker, spent < waitMs ? waitMs - spent : 0);
        ::CloseHandle(worker);  // one still running goes on alone: it owns all it touches
    }
    m_workers.clear();
}
