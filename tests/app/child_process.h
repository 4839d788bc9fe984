// Starting the program as a child of a test and watching what it does: its exit code, and the windows it
// creates, seen from outside through window events.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/unique_handle.h"

namespace tavlun::testing_support {

// A started child process. Started suspended, so that a WindowWatch can be in place before it runs; Resume()
// lets it go. The destructor terminates a child that is still running.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts "<program> <arguments>" suspended, in `directory` (the test's own when empty); inheritable handles
  // of the test are inherited when `inherit_handles` is set.
  bool Start(const std::wstring& program, const std::wstring& arguments, bool inherit_handles = false,
             const std::wstring& directory = std::wstring());
  void Resume();

  // Waits up to timeout_ms while dispatching the test thread's messages (window events arrive as messages).
  // False on time-out.
  bool WaitForExit(DWORD timeout_ms, DWORD* exit_code);
  void Terminate();

  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }

 private:
  UniqueHandle process_;
  UniqueHandle thread_;
  DWORD id_ = 0;
};

// Dispatches the thread's messages for `milliseconds`.
void PumpMessagesFor(DWORD milliseconds);

struct CreatedWindow {
  HWND window = nullptr;
  DWORD process_id = 0;     // 0 when neither the window nor its thread still existed
  std::wstring class_name;  // empty when the window was gone before it could be read
  bool message_only = false;
};

// Records every window that a process (or, with 0, any process) creates, from outside and without injecting
// code: an out-of-context EVENT_OBJECT_CREATE hook. Events are delivered while the test thread dispatches
// messages (ChildProcess::WaitForExit, PumpMessagesFor). One watch at a time.
class WindowWatch {
 public:
  explicit WindowWatch(DWORD process_id);
  ~WindowWatch();
  WindowWatch(const WindowWatch&) = delete;
  WindowWatch& operator=(const WindowWatch&) = delete;

  bool active() const { return hook_ != nullptr; }
  const std::vector<CreatedWindow>& created() const { return created_; }
  // Windows that are not message-only (top-level or child windows a user could see), of any of the given
  // processes (all recorded ones when `process_ids` is empty).
  std::vector<CreatedWindow> UserWindows(const std::vector<DWORD>& process_ids = {}) const;

 private:
  static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child, DWORD thread,
                               DWORD time);
  HWINEVENTHOOK hook_ = nullptr;
  std::vector<CreatedWindow> created_;
};

// A job that a child is put into before it runs; its descendants join it too, and the job reports the id of
// every process that enters it, so a grandchild started by a helper such as run_restricted.exe can be named.
class ProcessJob {
 public:
  ProcessJob();
  bool Add(HANDLE process);
  // Ids of every process that entered the job so far.
  const std::vector<DWORD>& ProcessIds();

 private:
  UniqueHandle job_;
  UniqueHandle port_;
  std::vector<DWORD> ids_;
};

// The top-level window of class `class_name` that belongs to `process_id`, or nullptr.
HWND FindProcessWindow(DWORD process_id, const wchar_t* class_name);
// The window of class `class_name` of `process_id` once it is visible, pumping this thread's messages while it
// waits; nullptr when none became visible within `timeout_ms`.
HWND WaitForVisibleWindow(DWORD process_id, const wchar_t* class_name, DWORD timeout_ms = 60000);
// Every top-level window of class `class_name` that belongs to `process_id`.
std::vector<HWND> FindProcessWindows(DWORD process_id, const wchar_t* class_name);

}  // namespace tavlun::testing_support
