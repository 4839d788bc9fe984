// Helpers shared by the test programs: paths of the built programs, scratch folders, files, child processes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/utf8.h"

namespace tavlun::testing_support {

// Folder of the running test program (build/tests).
std::wstring TestBinDir();
// build/TavlunYardimcisi.exe
std::wstring ProgramPath();
// A tool next to the test program, e.g. ToolPath(L"run_restricted.exe").
std::wstring ToolPath(const std::wstring& name);

// A path below TAVLUN_BUILD_DIR (CTest sets it to the Unix build folder) as Wine's Z: drive shows it; empty when
// the variable is not an absolute Unix path (on Windows, say).
std::wstring BuildFolderChild(const std::wstring& name);

// A fresh folder under %TEMP%, removed with its contents when the object ends.
class ScratchDir {
 public:
  explicit ScratchDir(const std::wstring& label = L"tavlun-test");
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring Child(const std::wstring& name) const;

 private:
  std::wstring path_;
};

// Removes a folder tree (best effort).
void RemoveTree(const std::wstring& path);

bool WriteBytes(const std::wstring& path, const void* data, std::size_t size);
bool WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);

struct ProcessResult {
  bool started = false;
  bool timed_out = false;
  DWORD exit_code = 0;
};

// Runs "<program> <arguments>" and waits up to timeout_ms; a program still running then is terminated.
ProcessResult RunProcess(const std::wstring& program, const std::wstring& arguments, DWORD timeout_ms = 30000,
                         const wchar_t* environment_block = nullptr);

// Quotes one argument for CommandLineToArgvW.
std::wstring QuoteArgument(const std::wstring& argument);

// The embedded payload bytes of this test program (same resources as the program).
std::vector<std::uint8_t> EmbeddedPayload(int resource_id);

}  // namespace tavlun::testing_support
