#include "check/pcsc_probe.h"

#include <utility>

#include "core/text.h"

namespace tavlun {
namespace {

void Put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The 32-bit fields after magic, version and size, in wire order from offset 8.
template <typename Record, typename Visit>
void ForEachTail(Record& r, Visit visit) {
  visit(r.serviceQueried);
  visit(r.serviceRunning);
  visit(r.serviceState);
  visit(r.serviceError);
  visit(r.establishResult);
  visit(r.listResult);
  visit(r.statusResult);
  visit(r.readerCount);
  visit(r.presentCount);
  visit(r.emptyCount);
  visit(r.unknownCount);
  visit(r.unavailableCount);
  visit(r.truncated);
  visit(r.serviceStart);
}

constexpr std::size_t kCardCountsOffset = 64;  // muteCount and exclusiveCount, 16 bits each

bool IsBoolean(std::uint32_t v) { return v == 0 || v == 1; }

}  // namespace

namespace {

std::wstring TimeoutSeconds() { return DecimalText(kPcscProbeTimeoutMs / 1000); }

}  // namespace

std::wstring PcscTimedOutDetail() {
  return L"PC/SC sorgusu " + TimeoutSeconds() + L" saniyede yanıt vermedi; yardımcı süreç sonlandırıldı.";
}

std::wstring PcscTimedOutFinding() {
  return L"Windows akıllı kart kontrolü " + TimeoutSeconds() + L" saniyede yanıt vermedi; güvenli biçimde durduruldu.";
}

std::wstring PcscTimedOutClipboardLine() { return L"PC/SC sonucu=zaman aşımı (" + TimeoutSeconds() + L" saniye)"; }

PcscRecordBytes EncodePcscProbeRecord(const PcscProbeRecord& record) {
  PcscRecordBytes bytes{};
  Put32(&bytes[0], record.magic);
  Put16(&bytes[4], record.version);
  Put16(&bytes[6], record.size);
  std::size_t offset = 8;
  ForEachTail(record, [&](std::uint32_t v) {
    Put32(&bytes[offset], v);
    offset += 4;
  });
  Put16(&bytes[kCardCountsOffset], record.muteCount);
  Put16(&bytes[kCardCountsOffset + 2], record.exclusiveCount);
  return bytes;
}

bool DecodePcscProbeRecord(const std::uint8_t* bytes, std::size_t size, PcscProbeRecord* record) {
  if (bytes == nullptr || size != kPcscRecordSize) return false;
  PcscProbeRecord r;
  r.magic = Get32(bytes);
  r.version = Get16(bytes + 4);
  r.size = Get16(bytes + 6);
  std::size_t offset = 8;
  ForEachTail(r, [&](std::uint32_t& v) {
    v = Get32(bytes + offset);
    offset += 4;
  });
  r.muteCount = Get16(bytes + kCardCountsOffset);
  r.exclusiveCount = Get16(bytes + kCardCountsOffset + 2);
  *record = r;
  return true;
}

bool IsValidPcscProbeRecord(const std::uint8_t* bytes, std::size_t size) {
  PcscProbeRecord record;
  return DecodePcscProbeRecord(bytes, size, &record) && IsValidPcscProbeRecord(record);
}

bool IsValidPcscProbeRecord(const PcscProbeRecord& r) {
  if (r.magic != kPcscRecordMagic || r.version != kPcscRecordVersion || r.size != kPcscRecordSize) return false;
  if (!IsBoolean(r.serviceQueried) || !IsBoolean(r.serviceRunning) || !IsBoolean(r.truncated)) return false;
  if (r.serviceStart != 0 && ClassifyServiceStart(r.serviceStart) == ServiceStart::Unknown) return false;
  if (r.serviceQueried == 0 && r.serviceStart != 0) return false;
  // Mute and exclusively held cards are among the present ones.
  if (std::uint32_t{r.muteCount} + r.exclusiveCount > r.presentCount) return false;

  if (r.readerCount > kPcscMaxReaders) return false;
  if (r.presentCount > r.readerCount || r.emptyCount > r.readerCount || r.unknownCount > r.readerCount ||
      r.unavailableCount > r.readerCount) {
    return false;
  }
  // In 64 bits: four counts of up to 2^32 - 1 must not wrap into an acceptable sum.
  const std::uint64_t sum = std::uint64_t{r.presentCount} + r.emptyCount + r.unknownCount + r.unavailableCount;
  if (sum > r.readerCount) return false;
  if (r.truncated == 1 && r.readerCount != kPcscMaxReaders) return false;

  const bool empty = r.readerCount == 0 && sum == 0 && r.truncated == 0;
  const bool nothing_called = r.establishResult == kScardInternalError && r.listResult == kScardInternalError &&
                              r.statusResult == kScardInternalError;

  if (r.serviceQueried == 0) {
    return r.serviceRunning == 0 && r.serviceState == 0 && r.serviceError != 0 && nothing_called && empty;
  }
  if (r.serviceError != 0) return false;
  if ((r.serviceRunning == 1) != (r.serviceState == kServiceStateRunning)) return false;
  if (r.serviceRunning == 0) return nothing_called && empty;
  if (r.establishResult != kScardSuccess) {
    return r.listResult == kScardInternalError && r.statusResult == kScardInternalError && empty;
  }
  if (r.listResult != kScardSuccess) return r.statusResult == kScardInternalError && empty;
  if (r.statusResult != kScardSuccess) {
    return r.readerCount > 0 && r.presentCount == 0 && r.emptyCount == 0 && r.unavailableCount == 0 &&
           r.unknownCount == r.readerCount;
  }
  return sum == r.readerCount;
}

PcscProbeOutcome OutcomeFromPcscRecord(const PcscProbeRecord& record) {
  PcscProbeOutcome outcome;
  outcome.kind = PcscOutcomeKind::Completed;
  outcome.serviceQueried = record.serviceQueried != 0;
  outcome.serviceRunning = record.serviceRunning != 0;
  outcome.serviceState = record.serviceState;
  outcome.serviceError = record.serviceError;
  outcome.establishResult = record.establishResult;
  outcome.listResult = record.listResult;
  outcome.statusResult = record.statusResult;
  outcome.readerCount = record.readerCount;
  outcome.presentCount = record.presentCount;
  outcome.emptyCount = record.emptyCount;
  outcome.unknownCount = record.unknownCount;
  outcome.unavailableCount = record.unavailableCount;
  outcome.truncated = record.truncated != 0;
  outcome.serviceStart = record.serviceStart;
  outcome.muteCount = record.muteCount;
  outcome.exclusiveCount = record.exclusiveCount;
  return outcome;
}

PcscProbeOutcome FailedPcscOutcome(PcscOutcomeKind kind, std::wstring detail) {
  PcscProbeOutcome outcome;
  outcome.kind = kind;
  outcome.detail = std::move(detail);
  return outcome;
}

std::uint32_t UsableCardCount(const PcscProbeOutcome& o) {
  const std::uint64_t unusable = std::uint64_t{o.muteCount} + o.exclusiveCount;
  return unusable >= o.presentCount ? 0 : static_cast<std::uint32_t>(o.presentCount - unusable);
}

CardPresence ClassifyCardPresence(const PcscProbeOutcome& o) {
  if (o.statusResult != kScardSuccess) return CardPresence::Undetermined;
  if (o.unknownCount > 0) return CardPresence::Undetermined;
  if (o.unavailableCount > 0) return CardPresence::Undetermined;
  if (o.readerCount == 0) return CardPresence::Undetermined;
  if (UsableCardCount(o) > 0) return CardPresence::CardPresent;
  if (o.presentCount > 0) return CardPresence::CardNotUsable;
  if (o.emptyCount == o.readerCount) return CardPresence::NoCard;
  return CardPresence::Undetermined;
}

bool PcscIdleWithoutReader(const PcscProbeOutcome& o) {
  if (o.kind != PcscOutcomeKind::Completed || !o.serviceQueried) return false;
  if (ClassifyServiceStart(o.serviceStart) != ServiceStart::OnDemand) return false;
  if (!o.serviceRunning) return o.serviceState == kServiceStateStopped;
  return o.establishResult == kScardNoService || o.establishResult == kScardServiceStopped;
}

std::uint32_t EncodeServiceStart(std::uint32_t start_type, bool triggered) {
  if (start_type > kServiceStartTypeDisabled) return 0;
  return (start_type + 1) | (triggered ? kServiceStartTriggered : 0);
}

ServiceStart ClassifyServiceStart(std::uint32_t encoded) {
  if ((encoded & ~(kServiceStartTriggered | 0xFFu)) != 0) return ServiceStart::Unknown;
  const std::uint32_t low = encoded & 0xFF;
  if (low < 1 || low > kServiceStartTypeDisabled + 1) return ServiceStart::Unknown;
  const std::uint32_t start_type = low - 1;
  const bool triggered = (encoded & kServiceStartTriggered) != 0;
  if (start_type == kServiceStartTypeDisabled) return ServiceStart::Disabled;
  if (start_type == kServiceStartTypeDemand || (start_type == kServiceStartTypeAuto && triggered)) {
    return ServiceStart::OnDemand;
  }
  return ServiceStart::Other;
}

std::wstring ServiceStateText(std::uint32_t state) {
  switch (state) {
    case 1:
      return L"durduruldu";
    case 2:
      return L"başlatılıyor";
    case 3:
      return L"durduruluyor";
    case 4:
      return L"çalışıyor";
    case 5:
      return L"devam ettiriliyor";
    case 6:
      return L"duraklatılıyor";
    case 7:
      return L"duraklatıldı";
    default:
      return L"bilinmiyor (" + DecimalText(state) + L")";
  }
}

std::wstring FormatHex32(std::uint32_t value) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text = L"0x";
  for (int shift = 28; shift >= 0; shift -= 4) text.push_back(kDigits[(value >> shift) & 0x0F]);
  return text;
}

ReaderEventClass ClassifyReaderEventState(std::uint32_t event_state) {
  if ((event_state & 0x8) != 0) return ReaderEventClass::Unavailable;  // SCARD_STATE_UNAVAILABLE
  if ((event_state & 0x4) != 0) return ReaderEventClass::Unknown;      // SCARD_STATE_UNKNOWN
  if ((event_state & 0x20) != 0) {                                     // SCARD_STATE_PRESENT
    if ((event_state & 0x200) != 0) return ReaderEventClass::PresentMute;      // SCARD_STATE_MUTE
    if ((event_state & 0x80) != 0) return ReaderEventClass::PresentExclusive;  // SCARD_STATE_EXCLUSIVE
    return ReaderEventClass::Present;
  }
  if ((event_state & 0x10) != 0) return ReaderEventClass::Empty;       // SCARD_STATE_EMPTY
  return ReaderEventClass::Unknown;
}

}  // namespace tavlun
