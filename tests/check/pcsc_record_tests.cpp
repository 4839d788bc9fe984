#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "check/pcsc_probe.h"
#include "check/pcsc_probe_body.h"

namespace tavlun {
namespace {

PcscProbeRecord ServiceMissing() {
  PcscProbeRecord r;
  r.serviceError = 1060;  // ERROR_SERVICE_DOES_NOT_EXIST
  return r;
}

PcscProbeRecord ServiceStopped() {
  PcscProbeRecord r;
  r.serviceQueried = 1;
  r.serviceState = 1;
  return r;
}

PcscProbeRecord Running() {
  PcscProbeRecord r;
  r.serviceQueried = 1;
  r.serviceState = 4;
  r.serviceRunning = 1;
  return r;
}

PcscProbeRecord Readers(std::uint32_t present, std::uint32_t empty, std::uint32_t unknown, std::uint32_t unavailable) {
  PcscProbeRecord r = Running();
  r.establishResult = 0;
  r.listResult = 0;
  r.statusResult = 0;
  r.readerCount = present + empty + unknown + unavailable;
  r.presentCount = present;
  r.emptyCount = empty;
  r.unknownCount = unknown;
  r.unavailableCount = unavailable;
  return r;
}

TEST(PcscProbeRecord, WireLayoutIsLittleEndianWithoutGaps) {
  PcscProbeRecord r = Readers(1, 2, 3, 4);
  r.truncated = 0;
  const PcscRecordBytes bytes = EncodePcscProbeRecord(r);
  ASSERT_EQ(bytes.size(), 68u);
  EXPECT_EQ(std::memcmp(bytes.data(), "PCSC", 4), 0);
  EXPECT_EQ(bytes[4], 1);
  EXPECT_EQ(bytes[5], 0);
  EXPECT_EQ(bytes[6], 68);
  EXPECT_EQ(bytes[7], 0);
  EXPECT_EQ(bytes[16], 4);  // serviceState
  EXPECT_EQ(bytes[36], 10);  // readerCount
  EXPECT_EQ(bytes[40], 1);
  EXPECT_EQ(bytes[44], 2);
  EXPECT_EQ(bytes[48], 3);
  EXPECT_EQ(bytes[52], 4);

  const PcscRecordBytes fresh = EncodePcscProbeRecord(PcscProbeRecord{});
  // The three PC/SC results start as SCARD_F_INTERNAL_ERROR (0x80100001), little-endian.
  for (std::size_t offset : {24u, 28u, 32u}) {
    EXPECT_EQ(fresh[offset], 0x01);
    EXPECT_EQ(fresh[offset + 1], 0x00);
    EXPECT_EQ(fresh[offset + 2], 0x10);
    EXPECT_EQ(fresh[offset + 3], 0x80);
  }

  PcscProbeRecord decoded;
  ASSERT_TRUE(DecodePcscProbeRecord(bytes.data(), bytes.size(), &decoded));
  EXPECT_EQ(EncodePcscProbeRecord(decoded), bytes);
  EXPECT_FALSE(DecodePcscProbeRecord(bytes.data(), 67, &decoded));
}

TEST(PcscProbeRecord, AcceptsEveryStateTheProbeCanProduce) {
  std::vector<PcscProbeRecord> valid = {ServiceMissing(), ServiceStopped(), Running()};
  valid[2].establishResult = 0x8010001D;
  PcscProbeRecord no_readers = Running();
  no_readers.establishResult = 0;
  no_readers.listResult = 0x8010002E;
  valid.push_back(no_readers);
  valid.push_back(Readers(0, 0, 0, 0));  // only the Plug-and-Play pseudo-reader
  valid.push_back(Readers(1, 1, 0, 0));
  valid.push_back(Readers(0, 0, 1, 1));
  PcscProbeRecord status_failed = Readers(0, 0, 3, 0);
  status_failed.statusResult = 0x80100006;
  valid.push_back(status_failed);
  PcscProbeRecord truncated = Readers(64, 0, 0, 0);
  truncated.truncated = 1;
  valid.push_back(truncated);
  PcscProbeRecord idle = ServiceStopped();
  idle.serviceStart = EncodeServiceStart(kServiceStartTypeDemand, true);
  valid.push_back(idle);
  PcscProbeRecord unusable = Readers(3, 0, 0, 0);
  unusable.muteCount = 1;
  unusable.exclusiveCount = 2;
  valid.push_back(unusable);
  for (std::size_t i = 0; i < valid.size(); ++i) {
    const PcscRecordBytes bytes = EncodePcscProbeRecord(valid[i]);
    EXPECT_TRUE(IsValidPcscProbeRecord(bytes.data(), bytes.size())) << "record " << i;
  }
}

TEST(PcscProbeRecord, RejectsEachBrokenRule) {
  std::map<std::string, PcscProbeRecord> broken;
  auto add = [&](const std::string& name, PcscProbeRecord r) { broken[name] = r; };
  PcscProbeRecord r;

  r = Readers(1, 0, 0, 0); r.magic = 0x43534351; add("magic", r);
  r = Readers(1, 0, 0, 0); r.version = 2; add("version 2", r);
  r = Readers(1, 0, 0, 0); r.size = 64; add("size 64", r);
  r = Readers(1, 0, 0, 0); r.serviceQueried = 2; add("serviceQueried 2", r);
  r = Readers(1, 0, 0, 0); r.serviceRunning = 2; add("serviceRunning 2", r);
  r = Readers(64, 0, 0, 0); r.truncated = 2; add("truncated 2", r);
  r = Readers(1, 0, 0, 0); r.serviceStart = 7; add("start type 6", r);
  r = Readers(1, 0, 0, 0); r.serviceStart = 0x204; add("start with an unknown flag", r);
  r = ServiceMissing(); r.serviceStart = 4; add("start type without a queried service", r);
  r = Readers(1, 0, 0, 0); r.muteCount = 1; r.exclusiveCount = 1; add("more unusable cards than present", r);
  r = Readers(0, 1, 0, 0); r.muteCount = 1; add("a mute card in an empty reader", r);
  r = Readers(65, 0, 0, 0); add("65 readers", r);
  r = Readers(1, 1, 0, 0); r.presentCount = 3; add("count above readers", r);
  r = Readers(2, 0, 0, 0); r.emptyCount = 2; add("sum above readers", r);
  // Counts that wrap around in 32 bits must not pass as a small sum.
  r = Readers(0, 0, 0, 0); r.readerCount = 2; r.presentCount = 2; r.emptyCount = 0xFFFFFFFF; add("wrapping sum", r);
  r = Readers(63, 0, 0, 0); r.truncated = 1; add("truncated below 64", r);
  r = Readers(2, 0, 0, 0); r.readerCount = 3; add("counts do not add up", r);

  r = ServiceMissing(); r.serviceError = 0; add("not queried without error", r);
  r = ServiceMissing(); r.serviceRunning = 1; add("not queried but running", r);
  r = ServiceMissing(); r.serviceState = 1; add("not queried with state", r);
  r = ServiceMissing(); r.establishResult = 0; add("not queried with PC/SC call", r);
  r = ServiceMissing(); r.statusResult = 0; add("not queried with status call", r);
  r = ServiceMissing(); r.readerCount = 1; r.unknownCount = 1; add("not queried with readers", r);

  r = ServiceStopped(); r.serviceError = 5; add("queried with error", r);
  r = ServiceStopped(); r.serviceRunning = 1; add("running flag with state 1", r);
  r = Running(); r.serviceRunning = 0; add("state 4 without running flag", r);
  r = ServiceStopped(); r.establishResult = 0; add("stopped service with PC/SC call", r);
  r = ServiceStopped(); r.readerCount = 1; r.unknownCount = 1; add("stopped service with readers", r);

  r = Running(); r.establishResult = 0x8010001D; r.listResult = 0; add("no context but listed", r);
  r = Running(); r.establishResult = 0x8010001D; r.readerCount = 1; r.unknownCount = 1; add("no context with readers", r);
  r = Running(); r.establishResult = 0; r.listResult = 0x8010002E; r.statusResult = 0; add("no list but status", r);
  r = Running(); r.establishResult = 0; r.listResult = 0x8010002E; r.readerCount = 1; r.emptyCount = 1;
  add("no list with readers", r);

  r = Readers(0, 0, 0, 0); r.statusResult = 0x80100006; add("status failed without readers", r);
  r = Readers(0, 0, 2, 0); r.statusResult = 0x80100006; r.unknownCount = 1; r.emptyCount = 1;
  add("status failed with known states", r);

  for (const auto& [name, record] : broken) {
    const PcscRecordBytes bytes = EncodePcscProbeRecord(record);
    EXPECT_FALSE(IsValidPcscProbeRecord(bytes.data(), bytes.size())) << name;
  }
  const PcscRecordBytes good = EncodePcscProbeRecord(Readers(1, 0, 0, 0));
  EXPECT_FALSE(IsValidPcscProbeRecord(good.data(), 67));
  EXPECT_FALSE(IsValidPcscProbeRecord(nullptr, 68));
}

TEST(PcscProbeRecord, OutcomeCopiesTheRecord) {
  PcscProbeRecord r = Readers(3, 1, 0, 0);
  r.readerCount = 64;
  r.emptyCount = 61;
  r.truncated = 1;
  const PcscProbeOutcome o = OutcomeFromPcscRecord(r);
  EXPECT_EQ(o.kind, PcscOutcomeKind::Completed);
  EXPECT_TRUE(o.serviceQueried);
  EXPECT_TRUE(o.serviceRunning);
  EXPECT_TRUE(o.truncated);
  EXPECT_EQ(o.readerCount, 64u);
  EXPECT_EQ(o.presentCount, 3u);
  EXPECT_EQ(o.emptyCount, 61u);
  EXPECT_TRUE(o.detail.empty());

  const PcscProbeOutcome failed = FailedPcscOutcome(PcscOutcomeKind::TimedOut, L"x");
  EXPECT_EQ(failed.kind, PcscOutcomeKind::TimedOut);
  EXPECT_EQ(failed.establishResult, 0x80100001u);
  EXPECT_EQ(failed.listResult, 0x80100001u);
  EXPECT_EQ(failed.statusResult, 0x80100001u);
  EXPECT_FALSE(failed.serviceQueried);
  EXPECT_EQ(failed.detail, L"x");
  EXPECT_EQ(PcscProbeOutcome{}.kind, PcscOutcomeKind::NotRun);
}

PcscProbeOutcome Outcome(std::uint32_t present, std::uint32_t empty, std::uint32_t unknown,
                         std::uint32_t unavailable) {
  return OutcomeFromPcscRecord(Readers(present, empty, unknown, unavailable));
}

TEST(ClassifyCardPresence, ConcludesNoCardOnlyWhenEveryReaderIsEmpty) {
  EXPECT_EQ(ClassifyCardPresence(Outcome(1, 1, 0, 0)), CardPresence::CardPresent);
  EXPECT_EQ(ClassifyCardPresence(Outcome(0, 2, 0, 0)), CardPresence::NoCard);
  EXPECT_EQ(ClassifyCardPresence(Outcome(0, 1, 0, 1)), CardPresence::Undetermined);
  EXPECT_EQ(ClassifyCardPresence(Outcome(1, 0, 1, 0)), CardPresence::Undetermined);
  EXPECT_EQ(ClassifyCardPresence(Outcome(0, 0, 0, 0)), CardPresence::Undetermined);
  PcscProbeOutcome status_failed = Outcome(1, 0, 0, 0);
  status_failed.statusResult = 0x80100006;
  EXPECT_EQ(ClassifyCardPresence(status_failed), CardPresence::Undetermined);
  // Counts that do not cover every reader never give "no card".
  PcscProbeOutcome partial = Outcome(0, 1, 0, 0);
  partial.readerCount = 2;
  EXPECT_EQ(ClassifyCardPresence(partial), CardPresence::Undetermined);
}

TEST(ServiceStateText, NamesEachStateAndTheUnknown) {
  const wchar_t* names[] = {L"durduruldu",        L"başlatılıyor",   L"durduruluyor", L"çalışıyor",
                            L"devam ettiriliyor", L"duraklatılıyor", L"duraklatıldı"};
  for (std::uint32_t state = 1; state <= 7; ++state) EXPECT_EQ(ServiceStateText(state), names[state - 1]);
  EXPECT_EQ(ServiceStateText(9), L"bilinmiyor (9)");
  EXPECT_EQ(ServiceStateText(0), L"bilinmiyor (0)");
  EXPECT_EQ(ServiceStateText(4294967295u), L"bilinmiyor (4294967295)");
}

TEST(PcscTimedOutTexts, NameTheProbesOwnTimeBound) {
  // The only number in each text is the wait of the probe, in seconds.
  const std::wstring seconds = std::to_wstring(kPcscProbeTimeoutMs / 1000);
  for (const std::wstring& text : {PcscTimedOutDetail(), PcscTimedOutFinding(), PcscTimedOutClipboardLine()}) {
    std::wstring digits;
    std::copy_if(text.begin(), text.end(), std::back_inserter(digits), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
    EXPECT_EQ(digits, seconds);
    EXPECT_NE(text.find(seconds + L" saniye"), std::wstring::npos);
  }
}

TEST(FormatHex32, AlwaysEightUpperCaseDigits) {
  EXPECT_EQ(FormatHex32(0x8010002E), L"0x8010002E");
  EXPECT_EQ(FormatHex32(0), L"0x00000000");
  EXPECT_EQ(FormatHex32(255), L"0x000000FF");
  EXPECT_EQ(FormatHex32(0xFFFFFFFF), L"0xFFFFFFFF");
}

// A scripted service manager and card stack for the probe body.
class FakeSystem : public PcscProbeSystem {
 public:
  bool service_ok = true;
  std::uint32_t service_error = 0;
  std::uint32_t state = 4;
  std::uint32_t start = kServiceStartTypeDemand;  // with triggers, as from Windows 8 on
  bool start_readable = true;
  std::uint32_t establish = 0;
  std::uint32_t list_length_result = 0;
  std::uint32_t list_result = 0;
  std::wstring readers;            // multi-string without the final NUL
  std::uint32_t length_override = 0;  // reported by the length query when non-zero
  std::uint32_t status_result = 0;
  std::vector<std::uint32_t> events;

  int calls = 0;
  bool released = false;
  std::uint32_t status_count = 0;
  std::vector<std::wstring> seen_readers;

  bool QueryServiceState(std::uint32_t* s, std::uint32_t* error) override {
    if (!service_ok) {
      *error = service_error;
      return false;
    }
    *s = state;
    return true;
  }
  bool QueryServiceStart(std::uint32_t* start_type, bool* triggered) override {
    *start_type = start;
    *triggered = true;
    return start_readable;
  }
  std::uint32_t EstablishContext() override {
    ++calls;
    return establish;
  }
  std::uint32_t ListReaders(wchar_t* buffer, std::uint32_t* length) override {
    ++calls;
    const std::uint32_t needed = static_cast<std::uint32_t>(readers.size() + 1);
    if (buffer == nullptr) {
      *length = length_override != 0 ? length_override : needed;
      return list_length_result;
    }
    if (list_result != 0) return list_result;
    const std::size_t n = readers.size() + 1 < *length ? readers.size() + 1 : *length;
    std::copy(readers.c_str(), readers.c_str() + n, buffer);
    *length = needed;
    return 0;
  }
  std::uint32_t GetStatusChange(const wchar_t* const* names, std::uint32_t count, std::uint32_t* out) override {
    ++calls;
    status_count = count;
    for (std::uint32_t i = 0; i < count; ++i) {
      seen_readers.emplace_back(names[i]);
      if (i < events.size()) out[i] = events[i];
    }
    return status_result;
  }
  void ReleaseContext() override { released = true; }
};

std::wstring MultiString(const std::vector<std::wstring>& names) {
  std::wstring text;
  for (const auto& name : names) text += name + std::wstring(1, L'\0');
  return text;
}

TEST(PcscProbeBody, ServiceNotInstalledStopsBeforeAnyCall) {
  FakeSystem fake;
  fake.service_ok = false;
  fake.service_error = 1060;
  const PcscProbeRecord r = RunPcscProbeBody(fake);
  EXPECT_EQ(r.serviceQueried, 0u);
  EXPECT_EQ(r.serviceError, 1060u);
  EXPECT_EQ(fake.calls, 0);
  EXPECT_TRUE(IsValidPcscProbeRecord(r));
}

TEST(PcscProbeBody, StoppedServiceIsNeitherStartedNorUsed) {
  FakeSystem fake;
  fake.state = 1;
  const PcscProbeRecord r = RunPcscProbeBody(fake);
  EXPECT_EQ(r.serviceQueried, 1u);
  EXPECT_EQ(r.serviceRunning, 0u);
  EXPECT_EQ(r.serviceState, 1u);
  EXPECT_EQ(r.establishResult, kScardInternalError);
  EXPECT_EQ(fake.calls, 0);
  EXPECT_TRUE(IsValidPcscProbeRecord(r));
}

TEST(PcscProbeBody, ContextRefusedEndsWithoutRelease) {
  FakeSystem fake;
  fake.establish = 0x8010001E;
  const PcscProbeRecord r = RunPcscProbeBody(fake);
  EXPECT_EQ(r.establishResult, 0x8010001Eu);
  EXPECT_EQ(r.listResult, kScardInternalError);
  EXPECT_FALSE(fake.released);
  EXPECT_TRUE(IsValidPcscProbeRecord(r));
}

TEST(PcscProbeBody, NoReadersAvailable) {
  FakeSystem fake;
  fake.list_length_result = 0x8010002E;
  const PcscProbeRecord r = RunPcscProbeBody(fake);
  EXPECT_EQ(r.listResult, 0x8010002Eu);
  EXPECT_EQ(r.statusResult, kScardInternalError);
  EXPECT_EQ(r.readerCount, 0u);
  EXPECT_TRUE(fake.released);
  EXPECT_TRUE(IsValidPcscProbeRecord(r));
}

TEST(PcscProbeBody, ImplausibleLengthsAndListsAreInvalidValues) {
  for (std::uint32_t length : {1u, 32769u}) {
    FakeSystem fake;
    fake.readers = MultiString({L"R"});
    fake.length_override = length;
    const PcscProbeRecord r = RunPcscProbeBody(fake);
    EXPECT_EQ(r.listResult, kScardInvalidValue) << length;
    EXPECT_TRUE(IsValidPcscProbeRecord(r));
  }
  // The list is not closed by two NULs inside the returned length.
  FakeSystem unterminated;
  unterminated.readers = L"Reader A";
  unterminated.length_override = 8;
  const PcscProbeRecord r = RunPcscProbeBody(unterminated);
  EXPECT_EQ(r.listResult, kScardInvalidValue);
  EXPECT_TRUE(IsValidPcscProbeRecord(r));

  FakeSystem second_call_fails;
  second_call_fails.readers = MultiString({L"R"});
  second_call_fails.list_result = 0x80100006;
  EXPECT_EQ(RunPcscProbeBody(second_call_fails).listResult, 0x80100006u);
}

TEST(PcscProbeBody, PlugAndPlayPseudoReaderIsNotAReader) {
  FakeSystem fake;
  fake.readers = MultiString({L"\\\\?pnp?\\NOTIFICATION"});
  const PcscProbeRecord r = RunPcscProbeBody(fake);
  EXPECT_EQ(r.listResult, 0u);
  EXPECT_EQ(r.readerCount, 0u);
  EXPECT_EQ(r.statusResult, 0u);
  EXPECT_EQ(fake.status_count, 0u);
  EXPECT_TRUE(IsValidPcscProbeRecord(r));
  EXPECT_EQ(ClassifyCardPresence(OutcomeFromPcscRecord(r)), CardPresence::Undetermined);
}

TEST(PcscProbeBody, CountsEachReaderByItsFirstMatchingStateBit) {
  FakeSystem fake;
  fake.readers = MultiString({L"A", L"\\\\?PnP?\\Notification", L"B", L"C", L"D", L"E", L"F"});
  // present; empty; unavailable wins over present; unknown wins over empty; none of the bits; present+empty.
  fake.events = {0x22, 0x12, 0x28, 0x14, 0x2, 0x30};
  const PcscProbeRecord r = RunPcscProbeBody(fake);
  EXPECT_EQ(r.readerCount, 6u);
  EXPECT_EQ(fake.seen_readers, (std::vector<std::wstring>{L"A", L"B", L"C", L"D", L"E", L"F"}));
  EXPECT_EQ(r.presentCount, 2u);
  EXPECT_EQ(r.emptyCount, 1u);
  EXPECT_EQ(r.unavailableCount, 1u);
  EXPECT_EQ(r.unknownCount, 2u);
  EXPECT_TRUE(IsValidPcscProbeRecord(r));
  EXPECT_TRUE(fake.released);
}

TEST(PcscProbeBody, SeventyReadersAreCutAtSixtyFour) {
  FakeSystem fake;
  std::vector<std::wstring> names;
  for (int i = 0; i < 70; ++i) names.push_back(L"Reader " + std::to_wstring(i));
  fake.readers = MultiString(names);
  fake.events.assign(64, 0x12);
  for (int i = 0; i < 3; ++i) fake.events[static_cast<std::size_t>(i)] = 0x22;
  const PcscProbeRecord r = RunPcscProbeBody(fake);
  EXPECT_EQ(r.readerCount, 64u);
  EXPECT_EQ(r.truncated, 1u);
  EXPECT_EQ(fake.status_count, 64u);
  EXPECT_EQ(r.presentCount, 3u);
  EXPECT_EQ(r.emptyCount, 61u);
  EXPECT_TRUE(IsValidPcscProbeRecord(r));
}

TEST(PcscProbeBody, RecordsTheStartTypeOnlyWhenItWasRead) {
  FakeSystem fake;
  fake.state = 1;
  EXPECT_EQ(ClassifyServiceStart(RunPcscProbeBody(fake).serviceStart), ServiceStart::OnDemand);
  fake.start = kServiceStartTypeDisabled;
  EXPECT_EQ(ClassifyServiceStart(RunPcscProbeBody(fake).serviceStart), ServiceStart::Disabled);
  fake.start_readable = false;
  const PcscProbeRecord unread = RunPcscProbeBody(fake);
  EXPECT_EQ(unread.serviceStart, 0u);
  EXPECT_TRUE(IsValidPcscProbeRecord(unread));
}

TEST(PcscProbeBody, VirtualSmartCardsDoNotStandInForTheUsersCard) {
  // An empty e-signature reader beside a TPM virtual smart card (which always holds a card).
  FakeSystem fake;
  fake.readers = MultiString({L"Microsoft Virtual Smart Card 0", L"ACS ACR39U ICC Reader 0",
                              L"microsoft virtual smart card 1"});
  fake.events = {0x12};
  const PcscProbeRecord r = RunPcscProbeBody(fake);
  EXPECT_EQ(fake.seen_readers, std::vector<std::wstring>{L"ACS ACR39U ICC Reader 0"});
  EXPECT_EQ(r.readerCount, 1u);
  EXPECT_EQ(r.presentCount, 0u);
  EXPECT_EQ(ClassifyCardPresence(OutcomeFromPcscRecord(r)), CardPresence::NoCard);
  // With the virtual card alone there is no reader at all.
  FakeSystem only_virtual;
  only_virtual.readers = MultiString({L"Microsoft Virtual Smart Card 0"});
  EXPECT_EQ(RunPcscProbeBody(only_virtual).readerCount, 0u);
}

TEST(PcscProbeBody, MuteAndExclusivelyHeldCardsArePresentButNotUsable) {
  FakeSystem fake;
  fake.readers = MultiString({L"A", L"B", L"C"});
  // present + mute; present + exclusive; present + in use by others (still usable).
  fake.events = {0x222, 0xA2, 0x122};
  const PcscProbeRecord r = RunPcscProbeBody(fake);
  EXPECT_EQ(r.presentCount, 3u);
  EXPECT_EQ(r.muteCount, 1u);
  EXPECT_EQ(r.exclusiveCount, 1u);
  EXPECT_TRUE(IsValidPcscProbeRecord(r));
  EXPECT_EQ(ClassifyCardPresence(OutcomeFromPcscRecord(r)), CardPresence::CardPresent);
  fake.events = {0x222, 0xA2, 0x12};
  EXPECT_EQ(ClassifyCardPresence(OutcomeFromPcscRecord(RunPcscProbeBody(fake))), CardPresence::CardNotUsable);
}

TEST(PcscProbeBody, FailedStatusQueryLeavesEveryReaderUnknown) {
  FakeSystem fake;
  fake.readers = MultiString({L"A", L"B"});
  fake.status_result = 0x8010000A;
  const PcscProbeRecord r = RunPcscProbeBody(fake);
  EXPECT_EQ(r.statusResult, 0x8010000Au);
  EXPECT_EQ(r.unknownCount, 2u);
  EXPECT_EQ(r.presentCount + r.emptyCount + r.unavailableCount, 0u);
  EXPECT_TRUE(IsValidPcscProbeRecord(r));
}

}  // namespace
}  // namespace tavlun
