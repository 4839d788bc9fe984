// The probe child's body (RunPcscProbeBody) against a service manager and a PC/SC stack that answer anything their
// interfaces allow: any service state, any result codes, reader lists of any shape (unterminated, overlong, lying
// about their length, full of Plug-and-Play pseudo-readers, more than 64 readers) and any event states.
//
// Input: the answers, consumed in call order.
//
// Properties: the record the body writes is always one the parent accepts (IsValidPcscProbeRecord); the counts
// equal those of an independent walk over the reader list; no PC/SC call is made unless the service runs, the
// context is released exactly when it was established, at most 64 readers reach the status query and each of
// them is a NUL-terminated name inside the list the stack returned.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check/pcsc_probe.h"
#include "check/pcsc_probe_body.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace tavlun::fuzz;

constexpr std::uint32_t kResults[] = {0,          0x80100001, 0x8010001D, 0x8010001E, 0x8010002E,
                                      0x80100011, 0x80100008, 0x00000006, 0xFFFFFFFF};

class FakeSystem : public tavlun::PcscProbeSystem {
 public:
  explicit FakeSystem(FuzzedDataProvider& input) : in_(input) {
    // The reader list the stack holds: names from the input, sometimes the pseudo-reader, sometimes many readers.
    const int shape = in_.ConsumeIntegralInRange(0, 3);
    if (shape == 3) {
      const int count = in_.ConsumeIntegralInRange(60, 70);
      for (int i = 0; i < count; ++i) AppendName(L"Reader " + std::to_wstring(i));
    }
    const int names = in_.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < names; ++i) {
      if (in_.ConsumeBool()) {
        const int pseudo = in_.ConsumeIntegralInRange(0, 2);
        AppendName(pseudo == 0   ? L"\\\\?PnP?\\Notification"
                   : pseudo == 1 ? L"\\\\?pnp?\\NOTIFICATION"
                                 : L"Microsoft Virtual Smart Card " + std::to_wstring(i));
      } else {
        const std::string raw = in_.ConsumeRandomLengthString(40);
        AppendName(Utf16FromBytes(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size()));
      }
    }
    if (shape != 1) list_.push_back(L'\0');  // shape 1: the final terminator is missing
    if (shape == 2 && !list_.empty())
      list_.erase(list_.begin() + in_.ConsumeIntegralInRange<std::size_t>(0, list_.size() - 1));
  }

  bool QueryServiceState(std::uint32_t* state, std::uint32_t* error) override {
    if (in_.ConsumeBool()) {
      *error = in_.ConsumeIntegralInRange<std::uint32_t>(1, 0xFFFFFFFF);  // the interface promises a non-zero code
      return false;
    }
    service_state_ = in_.ConsumeBool() ? 4 : in_.ConsumeIntegral<std::uint32_t>();
    *state = service_state_;
    return true;
  }

  bool QueryServiceStart(std::uint32_t* start_type, bool* triggered) override {
    if (in_.ConsumeBool()) return false;
    *start_type = in_.ConsumeBool() ? in_.ConsumeIntegralInRange<std::uint32_t>(0, 4) : in_.ConsumeIntegral<std::uint32_t>();
    *triggered = in_.ConsumeBool();
    return true;
  }

  std::uint32_t EstablishContext() override {
    FUZZ_CHECK(service_state_ == 4);
    const std::uint32_t result = Result();
    established_ = result == 0;
    return result;
  }

  std::uint32_t ListReaders(wchar_t* buffer, std::uint32_t* length) override {
    FUZZ_CHECK(established_ && !released_);
    const std::uint32_t result = Result();
    if (result != 0) return result;
    const std::uint32_t true_length = static_cast<std::uint32_t>(list_.size());
    if (buffer == nullptr) {
      // The length asked for first may be honest, or anything at all.
      *length = in_.ConsumeBool() ? true_length : in_.ConsumeIntegral<std::uint32_t>();
      return 0;
    }
    // The stack writes at most the length it is given, and may report any length back.
    const std::uint32_t room = *length;
    const std::uint32_t written = std::min(room, true_length);
    std::copy(list_.begin(), list_.begin() + written, buffer);
    buffer_ = buffer;
    buffer_size_ = static_cast<std::size_t>(room) + 1;  // the body allocates one unit more than the length
    *length = in_.ConsumeBool() ? written : in_.ConsumeIntegral<std::uint32_t>();
    returned_ = *length;
    ExpectFromList();
    return 0;
  }

  std::uint32_t GetStatusChange(const wchar_t* const* readers, std::uint32_t count,
                                std::uint32_t* event_states) override {
    FUZZ_CHECK(established_ && !released_ && buffer_ != nullptr);
    FUZZ_CHECK(count >= 1 && count <= 64);
    const std::size_t end = std::min<std::size_t>(returned_, buffer_size_);
    for (std::uint32_t i = 0; i < count; ++i) {
      FUZZ_CHECK(readers[i] >= buffer_ && readers[i] < buffer_ + end);
      const std::size_t offset = static_cast<std::size_t>(readers[i] - buffer_);
      const wchar_t* nul = std::find(readers[i], buffer_ + end, L'\0');
      FUZZ_CHECK(nul != buffer_ + end && nul != readers[i]);
      FUZZ_CHECK(offset == 0 || buffer_[offset - 1] == L'\0');
    }
    status_asked_ = count;
    const std::uint32_t result = Result();
    if (result == 0) {
      for (std::uint32_t i = 0; i < count; ++i) event_states[i] = in_.ConsumeIntegral<std::uint32_t>();
    }
    return result;
  }

  void ReleaseContext() override {
    FUZZ_CHECK(established_ && !released_);
    released_ = true;
  }

  // What the body must make of the list it was given, walked once more here.
  void ExpectFromList() {
    list_read_ = true;
    const wchar_t* b = buffer_;
    if (returned_ < 2 || returned_ > buffer_size_ || b[returned_ - 1] != L'\0' || b[returned_ - 2] != L'\0') return;
    list_valid_ = true;
    const std::size_t end = std::min<std::size_t>(returned_, buffer_size_);
    std::size_t pos = 0;
    while (pos < end && b[pos] != L'\0') {
      std::size_t length = 0;
      while (pos + length < end && b[pos + length] != L'\0') ++length;
      if (pos + length == end) break;  // unterminated
      std::wstring name(b + pos, length);
      std::wstring folded = name;
      for (wchar_t& c : folded) c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
      if (folded != L"\\\\?pnp?\\notification" && folded.rfind(L"microsoft virtual smart card", 0) != 0) {
        if (expected_readers_ < 64) {
          ++expected_readers_;
        } else {
          expected_truncated_ = true;
        }
      }
      pos += length + 1;
    }
  }

  bool list_read() const { return list_read_; }
  bool list_valid() const { return list_valid_; }
  std::uint32_t expected_readers() const { return expected_readers_; }
  bool expected_truncated() const { return expected_truncated_; }
  bool established() const { return established_; }
  bool released() const { return released_; }
  std::uint32_t status_asked() const { return status_asked_; }

 private:
  std::uint32_t Result() {
    return in_.ConsumeBool() ? 0 : kResults[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kResults) - 1)];
  }
  void AppendName(const std::wstring& name) {
    list_.insert(list_.end(), name.begin(), name.end());
    list_.push_back(L'\0');
  }

  FuzzedDataProvider& in_;
  std::vector<wchar_t> list_;
  std::uint32_t service_state_ = 0;
  bool established_ = false;
  bool released_ = false;
  const wchar_t* buffer_ = nullptr;
  std::size_t buffer_size_ = 0;
  std::uint32_t returned_ = 0;
  std::uint32_t status_asked_ = 0;
  bool list_read_ = false;
  bool list_valid_ = false;
  std::uint32_t expected_readers_ = 0;
  bool expected_truncated_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  FakeSystem system(input);
  const tavlun::PcscProbeRecord record = tavlun::RunPcscProbeBody(system);

  FUZZ_CHECK(tavlun::IsValidPcscProbeRecord(record));
  const tavlun::PcscRecordBytes wire = tavlun::EncodePcscProbeRecord(record);
  FUZZ_CHECK(tavlun::IsValidPcscProbeRecord(wire.data(), wire.size()));

  FUZZ_CHECK(system.released() == system.established());
  FUZZ_CHECK(record.readerCount <= 64);
  if (system.list_read()) {
    FUZZ_CHECK((record.listResult == 0) == system.list_valid());
    if (system.list_valid()) {
      FUZZ_CHECK(record.readerCount == system.expected_readers());
      FUZZ_CHECK((record.truncated == 1) == system.expected_truncated());
    }
  } else {
    FUZZ_CHECK(record.readerCount == 0 && record.listResult != 0);
  }
  if (record.statusResult != 0x80100001 && record.readerCount > 0)
    FUZZ_CHECK(system.status_asked() == record.readerCount);
  if (record.readerCount == 0) FUZZ_CHECK(system.status_asked() == 0);
  return 0;
}
