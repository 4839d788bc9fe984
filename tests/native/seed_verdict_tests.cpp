// The verdicts the seed inputs of the fuzz targets stand for: real headers of the program's own DLLs and programs
// are accepted, the crafted faults are refused, and the inputs of faults found by fuzzing stay refused. The fuzz
// targets compare the code with the rules; these tests pin the answers a reader of the corpus expects.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/run_mode.h"
#include "check/pcsc_probe.h"
#include "integrity/pe_headers.h"

namespace tavlun {
namespace {

std::vector<std::uint8_t> Seed(const std::string& target, const std::string& name) {
  std::ifstream file(std::string(TAVLUN_SOURCE_ROOT) + "/tests/fuzz/corpus/" + target + "/" + name, std::ios::binary);
  EXPECT_TRUE(file.good()) << target << "/" << name;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The PE seed format: file size (8 bytes), the expect-DLL flag, the header block.
std::wstring PeVerdict(const std::string& name) {
  const std::vector<std::uint8_t> seed = Seed("pe_headers", name);
  if (seed.size() < 9) return L"short seed";
  std::uint64_t file_size = 0;
  for (int i = 0; i < 8; ++i) file_size |= static_cast<std::uint64_t>(seed[i]) << (8 * i);
  const std::vector<std::uint8_t> block(seed.begin() + 9, seed.end());
  std::wstring machine;
  std::wstring message;
  if (!ValidatePeHeaders(block.data(), block.size(), file_size, (seed[8] & 1) != 0, &machine, &message)) return message;
  return L"ok " + machine;
}

TEST(SeedVerdicts, RealHeadersOfTheProgramsOwnFilesAreAccepted) {
  EXPECT_EQ(PeVerdict("standin32-dll-headers"), L"ok x86");
  EXPECT_EQ(PeVerdict("standin32-dll-whole"), L"ok x86");
  EXPECT_EQ(PeVerdict("standin64-dll-headers"), L"ok x64");
  EXPECT_EQ(PeVerdict("variant-x86-dll-headers"), L"ok x86");
  EXPECT_EQ(PeVerdict("variant-x64-dll-whole"), L"ok x64");
  EXPECT_EQ(PeVerdict("program-x86-exe-headers"), L"ok x86");
  EXPECT_EQ(PeVerdict("standin64-dll-as-other-kind"), L"PE yürütülebilir imgesi değil veya DLL olarak işaretli");
  EXPECT_EQ(PeVerdict("program-x86-exe-as-other-kind"), L"PE yürütülebilir DLL imgesi değil");
}

TEST(SeedVerdicts, CraftedHeaderFaultsAreRefused) {
  EXPECT_EQ(PeVerdict("pe32plus-valid-dll"), L"ok x64");
  EXPECT_EQ(PeVerdict("pe32-raw-data-wraps-32-bits"), L"PE bölüm verisi dosya sınırlarının dışında");
  EXPECT_EQ(PeVerdict("pe32-header-offset-negative"), L"geçerli DOS/PE konumu yok");
  EXPECT_EQ(PeVerdict("pe32plus-header-offset-huge"), L"PE başlığı dosya sınırlarının dışında");
  EXPECT_EQ(PeVerdict("pe32-magic-of-other-kind"), L"PE32/PE32+ opsiyonel başlığı makine türüyle uyumsuz");
  EXPECT_EQ(PeVerdict("pe32plus-machine-arm64"), L"ok ARM64");
  EXPECT_EQ(PeVerdict("pe32-file-size-shorter-than-block"), L"PE bölüm verisi dosya sınırlarının dışında");
  EXPECT_EQ(PeVerdict("63-bytes"), L"DOS başlığı eksik");
}

TEST(SeedVerdicts, ProbeRecords) {
  for (const char* valid : {"service-not-installed", "service-stopped", "context-refused", "no-readers",
                            "only-pnp-reader", "two-readers-one-card", "seventy-readers", "status-failed",
                            "stopped-on-demand", "mute-and-exclusive-cards"}) {
    const std::vector<std::uint8_t> record = Seed("pcsc_record", valid);
    EXPECT_TRUE(IsValidPcscProbeRecord(record.data(), record.size())) << valid;
  }
  for (const char* invalid : {"truncated-at-63", "counts-wrap-32-bits", "counts-short", "reserved-set", "version-2",
                              "size-64", "not-queried-error-0", "running-state-3", "67-bytes", "69-bytes"}) {
    const std::vector<std::uint8_t> record = Seed("pcsc_record", invalid);
    EXPECT_FALSE(IsValidPcscProbeRecord(record.data(), record.size())) << invalid;
  }
}

// The command-line seed format: UTF-16LE arguments separated by U+FFFF.
std::vector<std::wstring> Arguments(const std::string& name) {
  const std::vector<std::uint8_t> seed = Seed("probe_arguments", name);
  std::vector<std::wstring> args(1);
  for (std::size_t i = 0; i + 1 < seed.size(); i += 2) {
    const auto unit = static_cast<wchar_t>(seed[i] | (seed[i + 1] << 8));
    if (unit == static_cast<wchar_t>(0xFFFF)) {
      args.emplace_back();
    } else {
      args.back().push_back(unit);
    }
  }
  return args;
}

TEST(SeedVerdicts, ProbeCommandLines) {
  std::uint32_t pipe = 0;
  EXPECT_TRUE(ParseProbeArguments(Arguments("probe"), &pipe));
  EXPECT_EQ(pipe, 1234u);
  EXPECT_TRUE(ParseProbeArguments(Arguments("probe-max"), &pipe));
  EXPECT_EQ(pipe, 4294967295u);
  for (const char* refused : {"probe-minus", "probe-minus-wraps-to-1", "probe-zero", "probe-above-max",
                              "probe-range-error", "probe-embedded-nul", "probe-trailing", "probe-extra"}) {
    EXPECT_FALSE(ParseProbeArguments(Arguments(refused), &pipe)) << refused;
  }
}

}  // namespace
}  // namespace tavlun
