// Kill-at-every-point measurement of the installation engine, and the victim it starts.
//
//   kill_harness measure [STATE...]        every state, or only those named; exit code 1 when any figure is not 0
//   kill_harness victim FOLDER KILL_AT [second-fails]
//                                          one installation on FOLDER, ended by TerminateProcess at point KILL_AT
//                                          (0: never); writes the number of points reached to FOLDER\points; with
//                                          second-fails the second target's swap fails (its file is held), so the
//                                          first target is rolled back, and the first point of that goes to
//                                          FOLDER\rollback
//
// A point is every engine hook and every checkpoint between two file operations. After each kill the
// installation runs again without a kill, and the harness counts per state: kills that left a target that held
// a file without one, engine files beside the targets, zero-byte backups, empty backup folders, zero-byte or
// partial records, originals that no record names together with a backup holding them, and next runs that did
// not end with the build at both targets.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/text.h"
#include "install/elevated_run.h"
#include "install/secure_folder.h"
#include "install/work_area.h"
#include "integrity/sha256.h"

namespace tavlun {
namespace {

constexpr DWORD kKilledCode = 99;

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring text(path, length);
  return text.substr(0, text.find_last_of(L'\\'));
}

std::vector<std::uint8_t> ReadAll(const std::wstring& path) {
  std::vector<std::uint8_t> bytes;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  std::uint8_t chunk[65536];
  DWORD read = 0;
  while (::ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read != 0) bytes.insert(bytes.end(), chunk, chunk + read);
  ::CloseHandle(file);
  return bytes;
}

bool WriteAll(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool done = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
  ::CloseHandle(file);
  return done;
}

std::wstring Digest(const std::vector<std::uint8_t>& bytes) {
  std::wstring digest;
  std::wstring message;
  Sha256Memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &digest, &message);
  return digest;
}

struct Entry {
  std::wstring name;
  bool folder = false;
  std::uint64_t size = 0;
};

std::vector<Entry> List(const std::wstring& folder) {
  std::vector<Entry> entries;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(JoinPath(folder, L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow});
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return entries;
}

// The scratch machine: two target folders and a ProgramData folder.
struct Machine {
  std::wstring root;
  std::wstring Target(int index) const { return JoinPath(root, index == 0 ? L"SysWOW64" : L"Sysnative"); }
  std::wstring TargetFile(int index) const { return JoinPath(Target(index), L"akisp11.dll"); }
  std::wstring ProgramData() const { return JoinPath(root, L"ProgramData"); }
  std::wstring Work(const wchar_t* child) const {
    return JoinPath(JoinPath(ProgramData(), kWorkAreaFolderName), child);
  }
};

std::wstring Arg(int index, int argc, wchar_t** argv) { return index < argc ? argv[index] : L""; }

// The victim: one elevated run on the machine, stopped at the given point.
int RunVictim(const Machine& machine, unsigned kill_at, bool second_fails) {
  unsigned points = 0;
  const auto point = [&] {
    if (++points == kill_at) ::TerminateProcess(::GetCurrentProcess(), kKilledCode);
  };
  EngineHooks hooks;
  hooks.before_transaction = [&](const TargetLocation&) { point(); };
  hooks.after_backup = [&](const TargetLocation&) { point(); };
  hooks.before_swap = [&](const TargetLocation& target) {
    point();
    if (second_fails && target.file_path == machine.TargetFile(1)) {
      // Held without sharing until the process ends: the swap cannot take the name, the transaction fails and
      // the installed first target is rolled back from here on.
      ::CreateFileW(target.file_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      WriteAll(JoinPath(machine.root, L"rollback"), std::vector<std::uint8_t>(points + 1, 0));
    }
  };
  hooks.before_verification = [&](const TargetLocation&) { point(); };
  hooks.checkpoint = [&](const wchar_t*) { point(); };

  ElevatedRunInputs inputs;
  inputs.is_admin = true;
  inputs.lock_name = L"Global\\Korvan-Kill-Harness";
  inputs.targets_resolved = true;
  for (int index = 0; index < 2; ++index) {
    ElevatedRunTarget target;
    const PayloadKind kind = index == 0 ? PayloadKind::Build32 : PayloadKind::Build64;
    target.entry.descriptor = &PayloadFor(kind);
    target.entry.location.directory = machine.Target(index);
    target.entry.location.file_path = machine.TargetFile(index);
    target.entry.location.display_path = machine.TargetFile(index);
    target.entry.location.route = L"harness";
    target.payload_loaded = LoadPayload(*target.entry.descriptor, &target.payload, &target.payload_message);
    inputs.targets.push_back(std::move(target));
  }
  inputs.work_root_found = true;
  inputs.work_root = machine.ProgramData();
  inputs.secure = false;
  inputs.hooks = &hooks;
  const InstallOutcome result = RunElevatedInstall(inputs);
  WriteAll(JoinPath(machine.root, L"points"), std::vector<std::uint8_t>(points, 0));
  if (kill_at == 0 && !second_fails && result.outcome == kOutcomeFailed) std::wprintf(L"    next run failed: %ls\n", result.message.c_str());
  return static_cast<int>(result.outcome);
}

DWORD StartVictim(const Machine& machine, unsigned kill_at, bool second_fails = false) {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" victim \"" + machine.root + L"\" " + DecimalText(kill_at);
  if (second_fails) command += L" second-fails";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(self, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return 1000;
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1000;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return code;
}

struct State {
  const wchar_t* name;
  bool holds[2];       // whether the target holds a file at the start
  bool identical[2];   // the build itself, else an older version
  bool second_fails;   // only the points of the rollback that follows the second target's failure
};

struct Figures {
  unsigned kills = 0;
  unsigned empty_after_kill = 0;
  unsigned engine_files = 0;
  unsigned zero_byte_backups = 0;
  unsigned empty_backup_folders = 0;
  unsigned zero_byte_records = 0;
  unsigned partial_work_files = 0;
  unsigned unnamed_originals = 0;
  unsigned next_run_failures = 0;
};

// Whether some record names the original's digest together with a backup path that holds it.
bool OriginalNamed(const Machine& machine, const std::wstring& original_sha256) {
  for (const Entry& record : List(machine.Work(kLogsFolderName))) {
    const std::vector<std::uint8_t> bytes = ReadAll(JoinPath(machine.Work(kLogsFolderName), record.name));
    const std::string text(bytes.begin(), bytes.end());
    std::string old_line;
    std::string backup_line;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(start, end - start);
      if (line.rfind("old_sha256=", 0) == 0) old_line = line.substr(11);
      if (line.rfind("backup=", 0) == 0) backup_line = line.substr(7);
      start = end + 2;
    }
    if (!EqualsIgnoreAsciiCase(std::wstring(old_line.begin(), old_line.end()), original_sha256)) continue;
    const std::wstring backup(backup_line.begin(), backup_line.end());
    if (backup != L"none" && EqualsIgnoreAsciiCase(Digest(ReadAll(backup)), original_sha256)) return true;
  }
  return false;
}

int Measure(const std::vector<std::wstring>& only_states) {
  const std::wstring dlls = JoinPath(OwnFolder(), L"dlls");
  const std::vector<std::uint8_t> old_files[2] = {ReadAll(JoinPath(dlls, L"akis_x86_3.4.1.0.dll")),
                                                  ReadAll(JoinPath(dlls, L"akis_x64_3.4.1.0.dll"))};
  std::vector<std::uint8_t> builds[2];
  for (int index = 0; index < 2; ++index) {
    LoadedPayload payload;
    std::wstring message;
    if (!LoadPayload(PayloadFor(index == 0 ? PayloadKind::Build32 : PayloadKind::Build64), &payload, &message)) {
      return 2;
    }
    builds[index].assign(payload.data, payload.data + payload.size);
  }
  if (old_files[0].empty() || old_files[1].empty()) return 2;

  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  Machine machine{JoinPath(temp, L"tavlun-kill-harness")};
  const State states[] = {{L"empty", {false, false}, {false, false}, false},
                          {L"older", {true, true}, {false, false}, false},
                          {L"one-identical", {true, true}, {true, false}, false},
                          {L"second-fails", {true, true}, {false, false}, true}};
  bool clean = true;
  for (const State& state : states) {
    bool named = only_states.empty();
    for (const std::wstring& only : only_states) named = named || only == state.name;
    if (!named) continue;
    const auto prepare = [&] {
      RemoveTree(machine.root);
      ::CreateDirectoryW(machine.root.c_str(), nullptr);
      ::CreateDirectoryW(machine.ProgramData().c_str(), nullptr);
      for (int index = 0; index < 2; ++index) {
        ::CreateDirectoryW(machine.Target(index).c_str(), nullptr);
        if (state.holds[index]) {
          WriteAll(machine.TargetFile(index), state.identical[index] ? builds[index] : old_files[index]);
        }
      }
    };
    prepare();
    StartVictim(machine, 0, state.second_fails);
    const unsigned points = static_cast<unsigned>(ReadAll(JoinPath(machine.root, L"points")).size());
    // The points before the second target's failure are those of the state with older files.
    const unsigned first = state.second_fails
                               ? static_cast<unsigned>(ReadAll(JoinPath(machine.root, L"rollback")).size())
                               : 1;
    Figures figures;
    for (unsigned kill_at = first; kill_at <= points && first != 0; ++kill_at) {
      prepare();
      if (StartVictim(machine, kill_at, state.second_fails) != kKilledCode) continue;
      ++figures.kills;
      bool emptied = false;
      for (int index = 0; index < 2; ++index) {
        if (state.holds[index] && ::GetFileAttributesW(machine.TargetFile(index).c_str()) == INVALID_FILE_ATTRIBUTES) {
          emptied = true;
        }
      }
      if (emptied) ++figures.empty_after_kill;
      const DWORD next = StartVictim(machine, 0);
      bool builds_in_place = next == 0 || next == 1;
      for (int index = 0; index < 2; ++index) {
        if (ReadAll(machine.TargetFile(index)) != builds[index]) builds_in_place = false;
        for (const Entry& entry : List(machine.Target(index))) {
          if (entry.name != L"akisp11.dll") {
            ++figures.engine_files;
            std::wprintf(L"  [%ls kill %u] beside target: %ls (%llu bytes)\n", state.name, kill_at,
                         entry.name.c_str(), static_cast<unsigned long long>(entry.size));
          }
        }
        if (state.holds[index] && !state.identical[index] && !OriginalNamed(machine, Digest(old_files[index]))) {
          ++figures.unnamed_originals;
          std::wprintf(L"  [%ls kill %u] original of target %d named by no record with its backup\n", state.name,
                       kill_at, index);
        }
      }
      if (!builds_in_place) ++figures.next_run_failures;
      for (const Entry& folder : List(machine.Work(kBackupsFolderName))) {
        const std::vector<Entry> inside = List(JoinPath(machine.Work(kBackupsFolderName), folder.name));
        if (inside.empty()) ++figures.empty_backup_folders;
        for (const Entry& file : inside) {
          if (file.name == L"akisp11.dll" && file.size == 0) ++figures.zero_byte_backups;
          if (file.name != L"akisp11.dll") ++figures.partial_work_files;
        }
      }
      for (const Entry& record : List(machine.Work(kLogsFolderName))) {
        const bool is_record = record.name.size() > 4 && record.name.substr(record.name.size() - 4) == L".log";
        if (is_record && record.size == 0) ++figures.zero_byte_records;
        if (!is_record) ++figures.partial_work_files;
      }
    }
    std::wprintf(L"%-14ls points %3u kills %3u | empty target after kill %u | after the next run: engine files "
                 L"beside targets %u, zero-byte backups %u, empty backup folders %u, zero-byte records %u, partial "
                 L"work files %u, originals not named %u, next runs without both builds %u\n",
                 state.name, points + 1 - first, figures.kills, figures.empty_after_kill, figures.engine_files,
                 figures.zero_byte_backups, figures.empty_backup_folders, figures.zero_byte_records,
                 figures.partial_work_files, figures.unnamed_originals, figures.next_run_failures);
    std::fflush(stdout);
    clean = clean && figures.kills == points + 1 - first && first != 0 && points != 0 && figures.empty_after_kill == 0 &&
            figures.engine_files == 0 && figures.zero_byte_backups == 0 && figures.empty_backup_folders == 0 &&
            figures.zero_byte_records == 0 && figures.partial_work_files == 0 && figures.unnamed_originals == 0 &&
            figures.next_run_failures == 0;
  }
  RemoveTree(machine.root);
  return clean ? 0 : 1;
}

}  // namespace
}  // namespace tavlun

int wmain(int argc, wchar_t** argv) {
  using namespace tavlun;
  const std::wstring mode = Arg(1, argc, argv);
  if (mode == L"victim") {
    const auto kill_at = static_cast<unsigned>(std::wcstoul(Arg(3, argc, argv).c_str(), nullptr, 10));
    return RunVictim(Machine{Arg(2, argc, argv)}, kill_at, Arg(4, argc, argv) == L"second-fails");
  }
  if (mode == L"measure") return Measure(std::vector<std::wstring>(argv + (argc > 2 ? 2 : argc), argv + argc));
  std::fwprintf(stderr, L"kill_harness measure [STATE...] | kill_harness victim FOLDER KILL_AT [second-fails]\n");
  return 3;
}
