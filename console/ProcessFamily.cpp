#include "console/ProcessFamily.h"

#include <tlhelp32.h>

#include <string>

#include "console/ConsolePipes.h"
#include "console/FamilyChoice.h"

namespace {

constexpr DWORD kOpenAccess = PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_INFORMATION;

// An open process of the family, its record as read through that handle.
struct Member {
    ProcessRecord record;
    HANDLE handle = nullptr;
};

bool StillRuns(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

void CloseAll(std::vector<Member>& members) {
    for (Member& m : members) CloseAndClear(m.handle);
    members.clear();
}

// The image's file name, read through the handle.
std::string ImageName(HANDLE process) {
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!::QueryFullProcessImageNameA(process, 0, path, &size)) return std::string();
    const std::string full(path, size);
    const size_t slash = full.find_last_of("\\/");
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

// The job's processes but the interpreter, each opened and then checked to be in the job through its
// handle: an id from the job's list may have gone to another process before it was opened.
std::vector<Member> OpenJobMembers(const Interpreter& interpreter) {
    std::vector<Member> members;
    // Room for far more processes than a console session runs; a list that does not fit still fills
    // the room it has.
    constexpr DWORD kMaxIds = 1024;
    std::vector<unsigned char> buffer(sizeof(JOBOBJECT_BASIC_PROCESS_ID_LIST) + kMaxIds * sizeof(ULONG_PTR));
    auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
    if (!::QueryInformationJobObject(interpreter.hJob, JobObjectBasicProcessIdList, list,
                                     static_cast<DWORD>(buffer.size()), nullptr) &&
        ::GetLastError() != ERROR_MORE_DATA) {
        return members;
    }
    for (DWORD i = 0; i < list->NumberOfProcessIdsInList && i < kMaxIds + 1; ++i) {
        const DWORD id = static_cast<DWORD>(list->ProcessIdList[i]);
        if (id == interpreter.dwId || id == ::GetCurrentProcessId()) continue;
        HANDLE process = ::OpenProcess(kOpenAccess, FALSE, id);
        if (process == nullptr) continue;
        BOOL in = FALSE;
        if (!::IsProcessInJob(process, interpreter.hJob, &in) || !in) {
            ::CloseHandle(process);
            continue;
        }
        Member m;
        m.record.id = id;
        m.record.name = ImageName(process);
        m.handle = process;
        members.push_back(m);
    }
    return members;
}

// Without a job: the interpreter's descendants from the process list. Every process is opened first and
// its creation time read through its handle, so that a parent id that went to a newer process is not
// followed (FamilyChoice), and so that the handles kept are those of the processes judged.
std::vector<Member> OpenDescendants(const Interpreter& interpreter) {
    std::vector<Member> all;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL ok = ::Process32First(snapshot, &entry); ok; ok = ::Process32Next(snapshot, &entry)) {
            if (entry.th32ProcessID == interpreter.dwId) continue;
            HANDLE process = ::OpenProcess(kOpenAccess, FALSE, entry.th32ProcessID);
            if (process == nullptr) continue;
            Member m;
            m.record.id = entry.th32ProcessID;
            m.record.parent = entry.th32ParentProcessID;
            m.record.created = CreationTime(process);
            m.record.name = entry.szExeFile;
            m.handle = process;
            all.push_back(m);
        }
        ::CloseHandle(snapshot);
    }
    std::vector<ProcessRecord> records;
    for (const Member& m : all) records.push_back(m.record);
    ProcessRecord root;
    root.id = interpreter.dwId;
    root.created = interpreter.created;
    std::vector<Member> family;
    for (const ProcessRecord& r : Family(records, root, ::GetCurrentProcessId())) {
        for (Member& m : all) {
            if (m.handle != nullptr && m.record.id == r.id) {
                family.push_back(m);
                m.handle = nullptr;
            }
        }
    }
    CloseAll(all);
    return family;
}

std::vector<Member> OpenFamily(const Interpreter& interpreter) {
    return interpreter.hJob != nullptr ? OpenJobMembers(interpreter) : OpenDescendants(interpreter);
}

bool Ending(const Member& m, const std::vector<HANDLE>& ending) {
    // The handles held keep their processes' ids from being reused.
    for (HANDLE h : ending) {
        if (::GetProcessId(h) == m.record.id) return true;
    }
    return false;
}

}  // namespace

void EndFamily(const Interpreter& interpreter) {
    if (interpreter.hProcess == nullptr) return;
    if (interpreter.hJob != nullptr && ::TerminateJobObject(interpreter.hJob, 1)) return;
    // Without a job the family is found while the interpreter still runs, then all are ended.
    std::vector<Member> family = OpenDescendants(interpreter);
    ::TerminateProcess(interpreter.hProcess, 1);
    for (const Member& m : family) ::TerminateProcess(m.handle, 1);
    CloseAll(family);
}

std::vector<HANDLE> EndPrograms(const Interpreter& interpreter) {
    std::vector<HANDLE> ended;
    if (interpreter.hProcess == nullptr) return ended;
    std::vector<Member> family = OpenFamily(interpreter);
    for (Member& m : family) {
        if (IsConsoleHost(m.record.name) || !StillRuns(m.handle)) continue;
        if (::TerminateProcess(m.handle, 1)) {
            ended.push_back(m.handle);
            m.handle = nullptr;
        }
    }
    CloseAll(family);
    return ended;
}

int CountPrograms(const Interpreter& interpreter, const std::vector<HANDLE>& ending) {
    if (interpreter.hProcess == nullptr) return 0;
    std::vector<Member> family = OpenFamily(interpreter);
    int count = 0;
    for (const Member& m : family) {
        if (!IsConsoleHost(m.record.name) && StillRuns(m.handle) && !Ending(m, ending)) ++count;
    }
    CloseAll(family);
    return count;
}
