// The 68-byte record that the probe child writes into the pipe (IsValidPcscProbeRecord), read by the parent as
// untrusted bytes: the child runs a smart-card stack that may be broken or hostile.
//
// Input: the bytes the parent read.
//
// Properties: the verdict equals an independent reading of the record rules; an accepted record always satisfies
// the count rules (no count above readerCount, their sum at most readerCount and equal to it after a successful
// status query, at most 64 readers, truncation only at 64) and decodes and encodes back to the same bytes; the
// card presence derived from it never claims a usable card without one present that is neither mute nor held
// exclusively, nor "no card" unless every reader is empty; the texts made of its fields have their fixed forms.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check/pcsc_probe.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace tavlun::fuzz;

std::uint32_t Field(const std::uint8_t* b, std::size_t offset) {
  return static_cast<std::uint32_t>(b[offset]) | (static_cast<std::uint32_t>(b[offset + 1]) << 8) |
         (static_cast<std::uint32_t>(b[offset + 2]) << 16) | (static_cast<std::uint32_t>(b[offset + 3]) << 24);
}

constexpr std::uint32_t kNotCalled = 0x80100001;

bool ExpectedValid(const std::uint8_t* b, std::size_t size) {
  if (size != 68) return false;
  const std::uint32_t queried = Field(b, 8), running = Field(b, 12), state = Field(b, 16), error = Field(b, 20);
  const std::uint32_t establish = Field(b, 24), list = Field(b, 28), status = Field(b, 32);
  const std::uint64_t readers = Field(b, 36), present = Field(b, 40), empty_count = Field(b, 44),
                      unknown = Field(b, 48), unavailable = Field(b, 52);
  const std::uint32_t truncated = Field(b, 56);
  const std::uint64_t sum = present + empty_count + unknown + unavailable;
  // Rule 1: the header.
  if (!(b[0] == 'P' && b[1] == 'C' && b[2] == 'S' && b[3] == 'C' && b[4] == 1 && b[5] == 0 && b[6] == 68 &&
        b[7] == 0)) {
    return false;
  }
  // Rule 2: flags, the start type (0 unread, else 1 to 5 with the trigger bit 0x100) and the unusable cards, which
  // are among the present ones.
  const std::uint32_t start = Field(b, 60);
  const std::uint64_t mute = b[64] | (b[65] << 8), exclusive = b[66] | (b[67] << 8);
  if (queried > 1 || running > 1 || truncated > 1) return false;
  if (start != 0 && ((start & ~0x1FFu) != 0 || (start & 0xFF) < 1 || (start & 0xFF) > 5)) return false;
  if (queried == 0 && start != 0) return false;
  if (mute + exclusive > present) return false;
  // Rules 3 and 4: counts.
  if (readers > 64 || present > readers || empty_count > readers || unknown > readers || unavailable > readers ||
      sum > readers) {
    return false;
  }
  if (truncated == 1 && readers != 64) return false;
  const bool empty = readers == 0 && sum == 0 && truncated == 0;
  // Rule 5: the service was not queried.
  if (queried == 0) {
    return running == 0 && state == 0 && error != 0 && establish == kNotCalled && list == kNotCalled &&
           status == kNotCalled && empty;
  }
  // Rule 6: queried.
  if (error != 0 || (running == 1) != (state == 4)) return false;
  if (running == 0) return establish == kNotCalled && list == kNotCalled && status == kNotCalled && empty;
  if (establish != 0) return list == kNotCalled && status == kNotCalled && empty;
  if (list != 0) return status == kNotCalled && empty;
  if (status != 0) return readers > 0 && present == 0 && empty_count == 0 && unavailable == 0 && unknown == readers;
  return sum == readers;
}

void CheckHex(std::uint32_t value) {
  const std::wstring text = tavlun::FormatHex32(value);
  FUZZ_CHECK(text.size() == 10 && text[0] == L'0' && text[1] == L'x');
  std::uint32_t parsed = 0;
  for (std::size_t i = 2; i < 10; ++i) {
    const wchar_t c = text[i];
    FUZZ_CHECK((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'));
    parsed = parsed * 16 + static_cast<std::uint32_t>(c <= L'9' ? c - L'0' : c - L'A' + 10);
  }
  FUZZ_CHECK(parsed == value);
}

void CheckServiceStateText(std::uint32_t state) {
  const std::wstring text = tavlun::ServiceStateText(state);
  FUZZ_CHECK(!text.empty() && IsDisplaySafe(text));
  if (state < 1 || state > 7) FUZZ_CHECK(text == L"bilinmiyor (" + std::to_wstring(state) + L")");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t* bytes = size == 0 ? nullptr : data;
  const bool valid = tavlun::IsValidPcscProbeRecord(bytes, size);
  FUZZ_CHECK(valid == ExpectedValid(data, size));

  tavlun::PcscProbeRecord record;
  const bool decoded = tavlun::DecodePcscProbeRecord(bytes, size, &record);
  FUZZ_CHECK(decoded == (size == 68));
  if (!decoded) return 0;
  FUZZ_CHECK(tavlun::IsValidPcscProbeRecord(record) == valid);
  const tavlun::PcscRecordBytes encoded = tavlun::EncodePcscProbeRecord(record);
  for (std::size_t i = 0; i < 68; ++i) FUZZ_CHECK(encoded[i] == data[i]);

  CheckHex(record.establishResult);
  CheckHex(record.statusResult);
  CheckServiceStateText(record.serviceState);
  if (!valid) return 0;

  FUZZ_CHECK(record.readerCount <= 64);
  const std::uint64_t sum =
      std::uint64_t{record.presentCount} + record.emptyCount + record.unknownCount + record.unavailableCount;
  FUZZ_CHECK(sum <= record.readerCount);
  FUZZ_CHECK(record.truncated == 0 || record.readerCount == 64);
  const bool all_calls_succeeded =
      record.serviceRunning == 1 && record.establishResult == 0 && record.listResult == 0 && record.statusResult == 0;
  if (all_calls_succeeded) FUZZ_CHECK(sum == record.readerCount);

  const tavlun::PcscProbeOutcome outcome = tavlun::OutcomeFromPcscRecord(record);
  FUZZ_CHECK(outcome.kind == tavlun::PcscOutcomeKind::Completed && outcome.detail.empty());
  FUZZ_CHECK(outcome.readerCount == record.readerCount && outcome.truncated == (record.truncated == 1));
  switch (tavlun::ClassifyCardPresence(outcome)) {
    case tavlun::CardPresence::CardPresent:
      FUZZ_CHECK(outcome.presentCount > outcome.muteCount + outcome.exclusiveCount && outcome.statusResult == 0 &&
                 outcome.unknownCount == 0 && outcome.unavailableCount == 0);
      break;
    case tavlun::CardPresence::CardNotUsable:
      FUZZ_CHECK(outcome.presentCount > 0 && outcome.presentCount == outcome.muteCount + outcome.exclusiveCount);
      break;
    case tavlun::CardPresence::NoCard:
      FUZZ_CHECK(outcome.readerCount > 0 && outcome.emptyCount == outcome.readerCount && outcome.statusResult == 0);
      break;
    case tavlun::CardPresence::Undetermined:
      break;
  }
  return 0;
}
