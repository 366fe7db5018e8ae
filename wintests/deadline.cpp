// Runs one command line with a deadline. The kit's runner starts every
// program through it: a program that never returns (a client stuck behind a
// dialog, a hung installer) is ended, with everything it started, and the
// run goes on to put the machine back as it found it.
//
// Usage: deadline.exe SECONDS COMMAND-LINE
// Exit code: the command's own; ERROR_TIMEOUT (1460) when the deadline
// passed and the command was ended; ERROR_BAD_ARGUMENTS (160) for a usage
// error; the platform's error when the command could not be started.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

// The owner of one kernel handle, closed when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE handle) noexcept : handle_(handle) {}
  ~Handle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }

 private:
  HANDLE handle_;
};

// Past one token of a command line (quoted or not) and the blanks after it.
const wchar_t* SkipToken(const wchar_t* text) {
  bool quoted = false;
  for (; *text != L'\0' && (quoted || (*text != L' ' && *text != L'\t')); ++text) {
    if (*text == L'"') quoted = !quoted;
  }
  while (*text == L' ' || *text == L'\t') ++text;
  return text;
}

void Say(const wchar_t* message, DWORD number) {
  std::fwprintf(stderr, L"deadline: %ls %lu\n", message, static_cast<unsigned long>(number));
}

// Waits until no process of the job is left, ten seconds at most.
void AwaitEmptyJob(HANDLE job) {
  for (int tries = 0; tries < 100; ++tries) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                                   sizeof accounting, nullptr) ||
        accounting.ActiveProcesses == 0) {
      return;
    }
    Sleep(100);
  }
}

int Run(DWORD seconds, const wchar_t* commandLine) {
  // Ending the job ends the command and every process it started; so does
  // this helper's own end, should the run itself be stopped.
  Handle job(CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  if (!job || !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                       sizeof limits)) {
    const DWORD error = GetLastError();
    Say(L"no job object, error", error);
    return static_cast<int>(error);
  }

  std::wstring mutableLine(commandLine);  // CreateProcessW may write into it
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                      nullptr, nullptr, &startup, &started)) {
    const DWORD error = GetLastError();
    Say(L"the command could not be started, error", error);
    return static_cast<int>(error);
  }
  Handle process(started.hProcess);
  Handle thread(started.hThread);
  if (!AssignProcessToJobObject(job.get(), process.get())) {
    const DWORD error = GetLastError();
    TerminateProcess(process.get(), error);
    Say(L"the command could not be put in a job, error", error);
    return static_cast<int>(error);
  }
  ResumeThread(thread.get());

  if (WaitForSingleObject(process.get(), seconds * 1000) == WAIT_TIMEOUT) {
    TerminateJobObject(job.get(), ERROR_TIMEOUT);
    AwaitEmptyJob(job.get());
    Say(L"ended the command at its deadline, seconds:", seconds);
    return ERROR_TIMEOUT;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return static_cast<int>(code);
}

}  // namespace

int main() {
  // No crash dialog waits for a user: the programs started inherit this.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  const wchar_t* arguments = SkipToken(GetCommandLineW());
  wchar_t* end = nullptr;
  const unsigned long seconds = std::wcstoul(arguments, &end, 10);
  const wchar_t* commandLine = SkipToken(arguments);
  if (end == arguments || (*end != L' ' && *end != L'\t') || seconds == 0 || seconds > 86400 ||
      *commandLine == L'\0') {
    std::fwprintf(stderr, L"usage: deadline.exe SECONDS COMMAND-LINE\n");
    return ERROR_BAD_ARGUMENTS;
  }
  return Run(seconds, commandLine);
}
