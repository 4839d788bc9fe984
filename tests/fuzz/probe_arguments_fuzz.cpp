// The command line of the program: SelectRunMode and the strict probe-mode check ParseProbeArguments. Anyone who
// can start the program chooses these arguments, and the probe mode writes into a handle named by one of them.
//
// Input: UTF-16LE units; U+FFFF separates the arguments, the program name first. Arguments may hold NUL.
//
// Properties: the probe arguments are accepted only as exactly "<program> --pcsc-probe --pcsc-pipe=<n>", where
// <n> is optional leading white space, an optional "+", then decimal digits only, naming a value from 1 to
// 2^32 - 1, which is the value returned; a refused command line leaves the value alone. Every accepted probe
// command line selects the probe mode, and a command line without any argument starting with "--pcsc-probe"
// never does.
#include <cstddef>
#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

#include "app/run_mode.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace tavlun::fuzz;

bool ExpectedPipeValue(const std::vector<std::wstring>& args, std::uint64_t* value) {
  const std::wstring prefix = L"--pcsc-pipe=";
  if (args.size() != 3 || args[1] != L"--pcsc-probe" || !StartsWith(args[2], prefix)) return false;
  std::size_t at = prefix.size();
  while (at < args[2].size() && std::iswspace(static_cast<std::wint_t>(args[2][at]))) ++at;
  if (at < args[2].size() && args[2][at] == L'+') ++at;
  if (at == args[2].size()) return false;
  std::uint64_t number = 0;
  for (; at < args[2].size(); ++at) {
    const wchar_t c = args[2][at];
    if (c < L'0' || c > L'9') return false;
    number = number * 10 + static_cast<std::uint64_t>(c - L'0');
    if (number > 0xFFFFFFFFull) return false;
  }
  *value = number;
  return number != 0;
}

bool StartsWithProbeSwitch(const std::wstring& arg) {
  const std::wstring probe = L"--pcsc-probe";
  if (arg.size() < probe.size()) return false;
  for (std::size_t i = 0; i < probe.size(); ++i) {
    wchar_t c = arg[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    if (c != probe[i]) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto args = SplitParts(Utf16FromBytes(data, size), 16);

  std::uint32_t pipe = 0xDEADBEEF;
  const bool accepted = tavlun::ParseProbeArguments(args, &pipe);
  std::uint64_t expected = 0;
  const bool expected_accepted = ExpectedPipeValue(args, &expected);
  FUZZ_CHECK(accepted == expected_accepted);
  FUZZ_CHECK(pipe == (accepted ? expected : 0xDEADBEEF));

  const tavlun::RunMode mode = tavlun::SelectRunMode(true, args);
  bool any_probe_switch = false;
  for (std::size_t i = 1; i < args.size(); ++i) any_probe_switch = any_probe_switch || StartsWithProbeSwitch(args[i]);
  FUZZ_CHECK((mode == tavlun::RunMode::ProbeMode) == any_probe_switch);
  if (accepted) FUZZ_CHECK(mode == tavlun::RunMode::ProbeMode);
  FUZZ_CHECK(tavlun::SelectRunMode(false, args) == tavlun::RunMode::WindowMode);
  return 0;
}
