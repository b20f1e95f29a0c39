#include "console/InterpreterLaunch.h"

#include <atomic>

#include "console/ConsolePipes.h"

namespace {

std::atomic<const char*> g_pszInterpreterOverride{nullptr};
std::atomic<bool> g_bUseJob{true};

// A job whose processes the system ends when its last handle goes: when this program ends, however it
// ends. Null when none can be had.
HANDLE CreateKillOnCloseJob() {
    if (!g_bUseJob.load()) return nullptr;
    HANDLE job = ::CreateJobObjectA(nullptr, nullptr);
    if (job == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        ::CloseHandle(job);
        return nullptr;
    }
    return job;
}

}  // namespace

void SetInterpreterNameForTesting(const char* name) { g_pszInterpreterOverride = name; }

void SetUseJobForTesting(bool use) { g_bUseJob = use; }

std::string InterpreterPath() {
    char path[MAX_PATH] = {};
    if (const char* name = g_pszInterpreterOverride.load()) {
        const DWORD length = ::SearchPathA(nullptr, name, nullptr, MAX_PATH, path, nullptr);
        return length == 0 || length >= MAX_PATH ? std::string() : std::string(path, length);
    }
    static const char kFile[] = "\\cmd.exe";
    const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + sizeof kFile > MAX_PATH) return std::string();
    return std::string(path, length) + kFile;
}

ULONGLONG CreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

bool LaunchInterpreter(HANDLE in, HANDLE out, HANDLE err, const char* directory, Interpreter& started) {
    started = Interpreter{};
    const std::string path = InterpreterPath();
    if (path.empty()) return false;

    // Under Wine the first window of a session starts the desktop process on demand, as a child of
    // whoever asked: asked here, it starts outside the interpreter's job (a no-op on Windows).
    ::GetDesktopWindow();
    HANDLE job = CreateKillOnCloseJob();

    STARTUPINFOA si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    // The path is named as the program to run and quoted on the command line: unquoted, a path with
    // blanks would let the platform try "C:\Program.exe" and the like first.
    std::string commandLine = "\"" + path + "\"";
    PROCESS_INFORMATION pi{};
    // Suspended until it is in the job, so that nothing it starts can escape the job.
    if (!::CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE | CREATE_SUSPENDED,
                          nullptr, directory, &si, &pi)) {
        CloseAndClear(job);
        return false;
    }
    if (job != nullptr && !::AssignProcessToJobObject(job, pi.hProcess)) {
        // A job this program runs in that allows no other: the process list stands in for the job.
        CloseAndClear(job);
    }
    ::ResumeThread(pi.hThread);
    ::CloseHandle(pi.hThread);
    started.hProcess = pi.hProcess;
    started.hJob = job;
    started.dwId = pi.dwProcessId;
    started.created = CreationTime(pi.hProcess);
    return true;
}

void CloseInterpreter(Interpreter& interpreter) {
    CloseAndClear(interpreter.hProcess);
    CloseAndClear(interpreter.hJob);
    interpreter = Interpreter{};
}
