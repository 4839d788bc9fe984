#include "tests/app/child_process.h"

#include "tests/support/test_support.h"

namespace tavlun::testing_support {

ChildProcess::~ChildProcess() { Terminate(); }

bool ChildProcess::Start(const std::wstring& program, const std::wstring& arguments, bool inherit_handles,
                         const std::wstring& directory) {
  std::wstring command = QuoteArgument(program);
  if (!arguments.empty()) command += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, inherit_handles ? TRUE : FALSE,
                        CREATE_SUSPENDED, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    return false;
  }
  process_.reset(info.hProcess);
  thread_.reset(info.hThread);
  id_ = info.dwProcessId;
  return true;
}

void ChildProcess::Resume() {
  if (thread_) ::ResumeThread(thread_.get());
  thread_.reset();
}

bool ChildProcess::WaitForExit(DWORD timeout_ms, DWORD* exit_code) {
  if (!process_) return false;
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= timeout_ms) return false;
    HANDLE process = process_.get();
    const DWORD wait = ::MsgWaitForMultipleObjects(1, &process, FALSE, timeout_ms - elapsed, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) break;
    PumpMessagesFor(0);
  }
  // Events posted just before the exit are still in the queue.
  PumpMessagesFor(200);
  DWORD code = 0;
  ::GetExitCodeProcess(process_.get(), &code);
  if (exit_code != nullptr) *exit_code = code;
  return true;
}

void ChildProcess::Terminate() {
  if (!process_) return;
  if (::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_.get(), 999);
    ::WaitForSingleObject(process_.get(), 10000);
  }
}

void PumpMessagesFor(DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= milliseconds) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
  }
}

namespace {
WindowWatch* g_active_watch = nullptr;

std::wstring ClassOf(HWND window) {
  wchar_t name[256];
  const int length = ::GetClassNameW(window, name, 256);
  return length > 0 ? std::wstring(name, static_cast<std::size_t>(length)) : std::wstring();
}
}  // namespace

WindowWatch::WindowWatch(DWORD process_id) {
  const DWORD flags = WINEVENT_OUTOFCONTEXT | (process_id == 0 ? WINEVENT_SKIPOWNPROCESS : 0);
  hook_ = ::SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, &WindowWatch::OnEvent, process_id, 0,
                            flags);
  if (hook_ != nullptr) g_active_watch = this;
}

WindowWatch::~WindowWatch() {
  if (hook_ != nullptr) ::UnhookWinEvent(hook_);
  if (g_active_watch == this) g_active_watch = nullptr;
}

void CALLBACK WindowWatch::OnEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD thread, DWORD) {
  if (g_active_watch == nullptr || object != OBJID_WINDOW || window == nullptr) return;
  CreatedWindow created;
  created.window = window;
  ::GetWindowThreadProcessId(window, &created.process_id);
  if (created.process_id == 0) {
    UniqueHandle owner_thread(::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread));
    if (owner_thread) created.process_id = ::GetProcessIdOfThread(owner_thread.get());
  }
  created.class_name = ClassOf(window);
  const HWND parent = ::GetAncestor(window, GA_PARENT);
  created.message_only = parent != nullptr && parent != ::GetDesktopWindow() && ClassOf(parent) == L"Message";
  g_active_watch->created_.push_back(created);
}

std::vector<CreatedWindow> WindowWatch::UserWindows(const std::vector<DWORD>& process_ids) const {
  std::vector<CreatedWindow> result;
  for (const CreatedWindow& created : created_) {
    if (created.message_only) continue;
    bool wanted = process_ids.empty();
    for (DWORD id : process_ids) wanted = wanted || id == created.process_id;
    if (wanted) result.push_back(created);
  }
  return result;
}

ProcessJob::ProcessJob() {
  job_.reset(::CreateJobObjectW(nullptr, nullptr));
  port_.reset(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
  if (job_) {
    // A test that stops early must not leave a program behind (it would hold CTest's output pipe open).
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
  }
  if (job_ && port_) {
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{};
    association.CompletionKey = job_.get();
    association.CompletionPort = port_.get();
    ::SetInformationJobObject(job_.get(), JobObjectAssociateCompletionPortInformation, &association,
                              sizeof(association));
  }
}

bool ProcessJob::Add(HANDLE process) { return job_ && ::AssignProcessToJobObject(job_.get(), process) != FALSE; }

const std::vector<DWORD>& ProcessJob::ProcessIds() {
  DWORD message = 0;
  ULONG_PTR key = 0;
  LPOVERLAPPED detail = nullptr;
  while (port_ && ::GetQueuedCompletionStatus(port_.get(), &message, &key, &detail, 0)) {
    if (message == JOB_OBJECT_MSG_NEW_PROCESS) {
      ids_.push_back(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(detail)));
    }
  }
  return ids_;
}

namespace {
struct FindRequest {
  DWORD process_id;
  const wchar_t* class_name;
  std::vector<HWND> found;
  bool all;  // every match, not only the first
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* request = reinterpret_cast<FindRequest*>(data);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == request->process_id && ClassOf(window) == request->class_name) {
    request->found.push_back(window);
    return request->all ? TRUE : FALSE;
  }
  return TRUE;
}
}  // namespace

HWND FindProcessWindow(DWORD process_id, const wchar_t* class_name) {
  FindRequest request{process_id, class_name, {}, false};
  ::EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&request));
  return request.found.empty() ? nullptr : request.found.front();
}

HWND WaitForVisibleWindow(DWORD process_id, const wchar_t* class_name, DWORD timeout_ms) {
  for (DWORD waited = 0; waited <= timeout_ms; waited += 50) {
    const HWND window = FindProcessWindow(process_id, class_name);
    if (window != nullptr && ::IsWindowVisible(window)) return window;
    PumpMessagesFor(50);
  }
  return nullptr;
}

std::vector<HWND> FindProcessWindows(DWORD process_id, const wchar_t* class_name) {
  FindRequest request{process_id, class_name, {}, true};
  ::EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&request));
  return request.found;
}

}  // namespace tavlun::testing_support
