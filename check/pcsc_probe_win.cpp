#include "check/pcsc_probe_win.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "check/pcsc_probe_body.h"
#include "core/system_dlls.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "core/windows_error.h"

namespace tavlun {
namespace {

constexpr DWORD kProbeCreationFlags = CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT | CREATE_NO_WINDOW;
static_assert(kProbeCreationFlags == 0x08080004, "creation flags of the probe child");

constexpr DWORD kModulePathChars = 32768;
// How long the parent waits for a terminated job to empty before it closes the job handle.
constexpr DWORD kJobDrainMs = 2000;

constexpr wchar_t kPipeFailed[] = L"PC/SC yardımcı borusu oluşturulamadı: ";
constexpr wchar_t kJobFailed[] = L"PC/SC iş nesnesi oluşturulamadı: ";
constexpr wchar_t kJobLimitFailed[] = L"PC/SC iş nesnesi sınırı ayarlanamadı: ";
constexpr wchar_t kListSizeFailed[] = L"PC/SC tanıtıcı izin listesi boyutu alınamadı.";
constexpr wchar_t kListCreateFailed[] = L"PC/SC tanıtıcı izin listesi oluşturulamadı: ";
constexpr wchar_t kListSetFailed[] = L"PC/SC tanıtıcı izin listesi ayarlanamadı: ";
constexpr wchar_t kNoProgramPath[] = L"PC/SC yardımcı uygulama yolu alınamadı.";
constexpr wchar_t kStartFailed[] = L"PC/SC yardımcı süreci başlatılamadı: ";
constexpr wchar_t kAssignFailed[] = L"PC/SC yardımcı süreci iş nesnesine alınamadı: ";
constexpr wchar_t kResumeFailed[] = L"PC/SC yardımcı süreci devam ettirilemedi: ";
constexpr wchar_t kWaitFailed[] = L"PC/SC yardımcı süreci beklenemedi: ";
constexpr wchar_t kNoFixedSizeResult[] = L"PC/SC yardımcı süreci geçerli, sabit boyutlu sonuç üretmedi.";
constexpr wchar_t kResultNotVerified[] = L"PC/SC yardımcı süreç sonucu doğrulanamadı.";

PcscProbeOutcome NotRunWithError(const wchar_t* prefix, DWORD error) {
  return FailedPcscOutcome(PcscOutcomeKind::NotRun, prefix + WindowsErrorText(error));
}

// A one-attribute list for STARTUPINFOEXW, from the process heap; deleted and freed on every path.
class AttributeList {
 public:
  AttributeList() = default;
  ~AttributeList() {
    if (initialised_) ::DeleteProcThreadAttributeList(list());
    if (memory_ != nullptr) ::HeapFree(::GetProcessHeap(), 0, memory_);
  }
  AttributeList(const AttributeList&) = delete;
  AttributeList& operator=(const AttributeList&) = delete;

  bool Allocate(SIZE_T size) {
    memory_ = ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, size);
    if (memory_ == nullptr) ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return memory_ != nullptr;
  }
  bool Initialise(SIZE_T size) {
    initialised_ = ::InitializeProcThreadAttributeList(list(), 1, 0, &size) != FALSE;
    return initialised_;
  }
  LPPROC_THREAD_ATTRIBUTE_LIST list() const { return static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(memory_); }

 private:
  void* memory_ = nullptr;
  bool initialised_ = false;
};

// Ends whatever still runs in the job and waits, bounded, until the job is empty, so that no probe process (nor
// anything it started) outlives the check. Closing the job handle afterwards kills any straggler as well.
void EndJob(HANDLE job, DWORD exit_code) {
  ::TerminateJobObject(job, exit_code);
  const DWORD start = ::GetTickCount();
  for (;;) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (!::QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof(accounting),
                                     nullptr) ||
        accounting.ActiveProcesses == 0 || ::GetTickCount() - start >= kJobDrainMs) {
      return;
    }
    ::Sleep(10);
  }
}

bool JobHasProcesses(HANDLE job) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
  return ::QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof(accounting),
                                     nullptr) &&
         accounting.ActiveProcesses != 0;
}

// SERVICE_TRIGGER_INFO, which the MinGW headers lack.
struct ServiceTriggerInfo {
  DWORD cTriggers;
  void* pTriggers;
  BYTE* pReserved;
};

// The service manager and WinSCard as the probe body sees them.
class WindowsPcscProbeSystem final : public PcscProbeSystem {
 public:
  WindowsPcscProbeSystem() = default;
  ~WindowsPcscProbeSystem() override { ReleaseContext(); }
  WindowsPcscProbeSystem(const WindowsPcscProbeSystem&) = delete;
  WindowsPcscProbeSystem& operator=(const WindowsPcscProbeSystem&) = delete;

  bool QueryServiceState(std::uint32_t* state, std::uint32_t* error) override {
    manager_.reset(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager_) return Failed(error);
    // Query rights only; the configuration right is asked for too, for the start type, and dropped if refused.
    service_.reset(::OpenServiceW(manager_.get(), L"SCardSvr", SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
    config_readable_ = static_cast<bool>(service_);
    if (!service_ && ::GetLastError() == ERROR_ACCESS_DENIED) {
      service_.reset(::OpenServiceW(manager_.get(), L"SCardSvr", SERVICE_QUERY_STATUS));
    }
    if (!service_) return Failed(error);
    SERVICE_STATUS_PROCESS status{};
    static_assert(sizeof(status) == 36, "SERVICE_STATUS_PROCESS");
    DWORD needed = 0;
    if (!::QueryServiceStatusEx(service_.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(&status),
                                sizeof(status), &needed)) {
      return Failed(error);
    }
    *state = status.dwCurrentState;
    return true;
  }

  bool QueryServiceStart(std::uint32_t* start_type, bool* triggered) override {
    if (!config_readable_) return false;
    DWORD needed = 0;
    if (::QueryServiceConfigW(service_.get(), nullptr, 0, &needed) || ::GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
        needed < sizeof(QUERY_SERVICE_CONFIGW)) {
      return false;
    }
    std::vector<std::uint8_t> config(needed);
    auto* fields = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(config.data());
    if (!::QueryServiceConfigW(service_.get(), fields, needed, &needed)) return false;
    *start_type = fields->dwStartType;
    // Start triggers (Windows 7 and later): SCardSvr is started when a reader arrives and stops when none is left.
    *triggered = false;
    needed = 0;
    if (!::QueryServiceConfig2W(service_.get(), SERVICE_CONFIG_TRIGGER_INFO, nullptr, 0, &needed) &&
        ::GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed >= sizeof(ServiceTriggerInfo)) {
      std::vector<std::uint8_t> triggers(needed);
      if (::QueryServiceConfig2W(service_.get(), SERVICE_CONFIG_TRIGGER_INFO, triggers.data(), needed, &needed)) {
        *triggered = reinterpret_cast<const ServiceTriggerInfo*>(triggers.data())->cTriggers > 0;
      }
    }
    return true;
  }

  std::uint32_t EstablishContext() override {
    const auto& api = sysdll::Winscard();
    // Without WinSCard no PC/SC call can be made; the record keeps "not called" for the context.
    if (!api.loaded) return kScardInternalError;
    SCARDCONTEXT context = 0;
    const LONG result = api.SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context);
    if (result == SCARD_S_SUCCESS) {
      context_ = context;
      established_ = true;
    }
    return static_cast<std::uint32_t>(result);
  }

  std::uint32_t ListReaders(wchar_t* buffer, std::uint32_t* length) override {
    DWORD chars = *length;
    const LONG result = sysdll::Winscard().SCardListReadersW(context_, nullptr, buffer, &chars);
    *length = chars;
    return static_cast<std::uint32_t>(result);
  }

  std::uint32_t GetStatusChange(const wchar_t* const* readers, std::uint32_t count,
                                std::uint32_t* event_states) override {
    SCARD_READERSTATEW states[kPcscMaxReaders] = {};
    if (count > kPcscMaxReaders) count = kPcscMaxReaders;
    for (std::uint32_t i = 0; i < count; ++i) {
      states[i].szReader = readers[i];
      states[i].dwCurrentState = SCARD_STATE_UNAWARE;
    }
    const LONG result = sysdll::Winscard().SCardGetStatusChangeW(context_, 0, states, count);
    if (result == SCARD_S_SUCCESS) {
      for (std::uint32_t i = 0; i < count; ++i) event_states[i] = states[i].dwEventState;
    }
    ::SecureZeroMemory(states, sizeof(states));
    return static_cast<std::uint32_t>(result);
  }

  void ReleaseContext() override {
    if (!established_) return;
    sysdll::Winscard().SCardReleaseContext(context_);
    established_ = false;
    context_ = 0;
  }

 private:
  static bool Failed(std::uint32_t* error) {
    const DWORD code = ::GetLastError();
    // The record needs a non-zero code to say why the state is unknown.
    *error = code != 0 ? code : ERROR_INTERNAL_ERROR;
    return false;
  }

  UniqueServiceHandle manager_;
  UniqueServiceHandle service_;
  bool config_readable_ = false;  // the service was opened with SERVICE_QUERY_CONFIG
  SCARDCONTEXT context_ = 0;
  bool established_ = false;
};

}  // namespace

PcscProbeOutcome RunPcscProbe() {
  std::wstring path(kModulePathChars, L'\0');
  const DWORD length = ::GetModuleFileNameW(nullptr, &path[0], kModulePathChars);
  path.resize(length == 0 || length >= kModulePathChars ? 0 : length);
  return RunPcscProbeProgram(path);
}

PcscProbeOutcome RunPcscProbeProgram(const std::wstring& program_path) {
  SECURITY_ATTRIBUTES inheritable{};
  inheritable.nLength = sizeof(inheritable);
  inheritable.bInheritHandle = TRUE;
  UniqueHandle read_end;
  UniqueHandle write_end;
  {
    HANDLE read_raw = nullptr;
    HANDLE write_raw = nullptr;
    const BOOL created = ::CreatePipe(&read_raw, &write_raw, &inheritable, static_cast<DWORD>(kPcscRecordSize));
    read_end.reset(read_raw);
    write_end.reset(write_raw);
    if (!created) return NotRunWithError(kPipeFailed, ::GetLastError());
  }
  if (!::SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0)) {
    return NotRunWithError(kPipeFailed, ::GetLastError());
  }

  UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
  if (!job) return NotRunWithError(kJobFailed, ::GetLastError());
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits))) {
    return NotRunWithError(kJobLimitFailed, ::GetLastError());
  }

  SIZE_T list_size = 0;
  ::InitializeProcThreadAttributeList(nullptr, 1, 0, &list_size);
  if (list_size == 0) return FailedPcscOutcome(PcscOutcomeKind::NotRun, kListSizeFailed);
  AttributeList attributes;
  if (!attributes.Allocate(list_size) || !attributes.Initialise(list_size)) {
    return NotRunWithError(kListCreateFailed, ::GetLastError());
  }
  // The only handle the child inherits, although inheritance is switched on for the creation.
  HANDLE inherited[1] = {write_end.get()};
  if (!::UpdateProcThreadAttribute(attributes.list(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                   sizeof(inherited), nullptr, nullptr)) {
    return NotRunWithError(kListSetFailed, ::GetLastError());
  }

  // A quote inside the path could not be quoted safely on the command line.
  if (program_path.empty() || program_path.find(L'"') != std::wstring::npos) {
    return FailedPcscOutcome(PcscOutcomeKind::NotRun, kNoProgramPath);
  }
  std::wstring command = L"\"" + program_path + L"\" --pcsc-probe --pcsc-pipe=" +
                         DecimalText(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(write_end.get())));

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof(startup);
  startup.lpAttributeList = attributes.list();
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program_path.c_str(), &command[0], nullptr, nullptr, TRUE, kProbeCreationFlags, nullptr,
                        nullptr, &startup.StartupInfo, &info)) {
    return NotRunWithError(kStartFailed, ::GetLastError());
  }
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);

  if (!::AssignProcessToJobObject(job.get(), process.get())) {
    const DWORD error = ::GetLastError();
    ::TerminateProcess(process.get(), error);
    ::WaitForSingleObject(process.get(), kJobDrainMs);
    return NotRunWithError(kAssignFailed, error);
  }
  if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
    const DWORD error = ::GetLastError();
    EndJob(job.get(), error);
    return NotRunWithError(kResumeFailed, error);
  }
  // From here the pipe's write end belongs to the child alone, so the read end sees the end of data when it exits.
  write_end.reset();

  const DWORD waited = ::WaitForSingleObject(process.get(), kPcscProbeTimeoutMs);
  if (waited == WAIT_TIMEOUT) {
    EndJob(job.get(), ERROR_TIMEOUT);
    return FailedPcscOutcome(PcscOutcomeKind::TimedOut, PcscTimedOutDetail());
  }
  if (waited != WAIT_OBJECT_0) {
    const DWORD error = ::GetLastError();
    EndJob(job.get(), error);
    return NotRunWithError(kWaitFailed, error);
  }
  // The child has ended; anything it started is ended with it before the result is judged.
  if (JobHasProcesses(job.get())) EndJob(job.get(), ERROR_PROCESS_ABORTED);

  DWORD exit_code = 1;
  DWORD available = 0;
  if (!::GetExitCodeProcess(process.get(), &exit_code) || exit_code != 0 ||
      !::PeekNamedPipe(read_end.get(), nullptr, 0, nullptr, &available, nullptr) || available != kPcscRecordSize) {
    return FailedPcscOutcome(PcscOutcomeKind::InvalidResult, kNoFixedSizeResult);
  }

  std::uint8_t bytes[kPcscRecordSize] = {};
  DWORD read = 0;
  PcscProbeRecord record;
  if (!::ReadFile(read_end.get(), bytes, static_cast<DWORD>(kPcscRecordSize), &read, nullptr) ||
      read != kPcscRecordSize || !DecodePcscProbeRecord(bytes, read, &record) || !IsValidPcscProbeRecord(record)) {
    return FailedPcscOutcome(PcscOutcomeKind::InvalidResult, kResultNotVerified);
  }
  return OutcomeFromPcscRecord(record);
}

PcscProbeRecord ProbePcscInChild() {
  WindowsPcscProbeSystem system;
  return RunPcscProbeBody(system);
}

}  // namespace tavlun
