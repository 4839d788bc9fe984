// The smart-card probe: the 68-byte record that the probe child writes, the parent's reading of it, and the small
// interpretations the report makes of it. Pure: no Windows headers, builds natively too.
//
// The record carries only status codes and counts; reader names, card states and ATRs never leave the child.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tavlun {

inline constexpr std::uint32_t kPcscRecordMagic = 0x43534350;  // "PCSC" read as little-endian
inline constexpr std::uint16_t kPcscRecordVersion = 1;
inline constexpr std::size_t kPcscRecordSize = 68;
inline constexpr std::uint32_t kPcscMaxReaders = 64;
inline constexpr std::uint32_t kPcscProbeTimeoutMs = 3000;
static_assert(kPcscProbeTimeoutMs % 1000 == 0, "the texts name the time bound in whole seconds");

// The three texts that name the time bound, made from kPcscProbeTimeoutMs so they cannot say another time.
std::wstring PcscTimedOutDetail();         // the outcome's detail and the full report's line
std::wstring PcscTimedOutFinding();        // the report's warning
std::wstring PcscTimedOutClipboardLine();  // the clipboard's line, without its line break

// PC/SC result codes the probe and the report name.
inline constexpr std::uint32_t kScardSuccess = 0;
inline constexpr std::uint32_t kScardInternalError = 0x80100001;  // in the record: the call was not made
inline constexpr std::uint32_t kScardInvalidValue = 0x80100011;
inline constexpr std::uint32_t kScardNoService = 0x8010001D;
inline constexpr std::uint32_t kScardServiceStopped = 0x8010001E;
inline constexpr std::uint32_t kScardNoReadersAvailable = 0x8010002E;

inline constexpr std::uint32_t kServiceStateStopped = 1;
inline constexpr std::uint32_t kServiceStateRunning = 4;

// The service's start type in the record: 0 when it was not read, else 1 + the start type (SERVICE_BOOT_START 0
// to SERVICE_DISABLED 4), with kServiceStartTriggered added when the service has start triggers.
inline constexpr std::uint32_t kServiceStartTriggered = 0x100;
inline constexpr std::uint32_t kServiceStartTypeAuto = 2;
inline constexpr std::uint32_t kServiceStartTypeDemand = 3;
inline constexpr std::uint32_t kServiceStartTypeDisabled = 4;
std::uint32_t EncodeServiceStart(std::uint32_t start_type, bool triggered);

// What the start type means for a service that does not run.
enum class ServiceStart {
  Unknown,   // not read
  OnDemand,  // demand or trigger start: from Windows 8 on SCardSvr runs only while a reader is attached
  Disabled,  // never starts, not even when a reader is attached
  Other,     // automatic without triggers, boot or system
};
ServiceStart ClassifyServiceStart(std::uint32_t encoded);

// The wire record, fields in wire order. The in-memory struct is for convenience; the wire form is always produced
// and read by EncodePcscProbeRecord / DecodePcscProbeRecord (little-endian, no gaps).
struct PcscProbeRecord {
  std::uint32_t magic = kPcscRecordMagic;
  std::uint16_t version = kPcscRecordVersion;
  std::uint16_t size = static_cast<std::uint16_t>(kPcscRecordSize);
  std::uint32_t serviceQueried = 0;
  std::uint32_t serviceRunning = 0;
  std::uint32_t serviceState = 0;
  std::uint32_t serviceError = 0;
  std::uint32_t establishResult = kScardInternalError;
  std::uint32_t listResult = kScardInternalError;
  std::uint32_t statusResult = kScardInternalError;
  std::uint32_t readerCount = 0;
  std::uint32_t presentCount = 0;
  std::uint32_t emptyCount = 0;
  std::uint32_t unknownCount = 0;
  std::uint32_t unavailableCount = 0;
  std::uint32_t truncated = 0;
  std::uint32_t serviceStart = 0;    // EncodeServiceStart, 0 when not read
  std::uint16_t muteCount = 0;       // present cards that do not answer (reversed, broken, without chip)
  std::uint16_t exclusiveCount = 0;  // present cards another program holds exclusively
};

using PcscRecordBytes = std::array<std::uint8_t, kPcscRecordSize>;

PcscRecordBytes EncodePcscProbeRecord(const PcscProbeRecord& record);
// False when `size` is not exactly 68; the record is left unchanged then.
bool DecodePcscProbeRecord(const std::uint8_t* bytes, std::size_t size, PcscProbeRecord* record);

// Every field rule of the record; false for anything but exactly 68 consistent bytes.
bool IsValidPcscProbeRecord(const std::uint8_t* bytes, std::size_t size);
bool IsValidPcscProbeRecord(const PcscProbeRecord& record);

enum class PcscOutcomeKind : std::uint32_t { Completed = 0, TimedOut = 1, NotRun = 2, InvalidResult = 3 };

// What the rest of the check reads. The default is the state before anything is known.
struct PcscProbeOutcome {
  PcscOutcomeKind kind = PcscOutcomeKind::NotRun;
  bool serviceQueried = false;
  bool serviceRunning = false;
  std::uint32_t serviceState = 0;
  std::uint32_t serviceError = 0;
  std::uint32_t establishResult = kScardInternalError;
  std::uint32_t listResult = kScardInternalError;
  std::uint32_t statusResult = kScardInternalError;
  std::uint32_t readerCount = 0;
  std::uint32_t presentCount = 0;
  std::uint32_t emptyCount = 0;
  std::uint32_t unknownCount = 0;
  std::uint32_t unavailableCount = 0;
  bool truncated = false;
  std::uint32_t serviceStart = 0;
  std::uint32_t muteCount = 0;
  std::uint32_t exclusiveCount = 0;
  std::wstring detail;
};

// The outcome of a validated record: kind Completed, fields copied, no detail.
PcscProbeOutcome OutcomeFromPcscRecord(const PcscProbeRecord& record);

// The default outcome with the given kind and Turkish detail.
PcscProbeOutcome FailedPcscOutcome(PcscOutcomeKind kind, std::wstring detail);

enum class CardPresence : std::uint32_t { CardPresent = 0, NoCard = 1, Undetermined = 2, CardNotUsable = 3 };

// A card is absent only when every examined reader reported itself empty. CardPresent needs at least one card that
// is neither mute nor held exclusively by another program; CardNotUsable is cards present, none of them usable.
CardPresence ClassifyCardPresence(const PcscProbeOutcome& outcome);
// Present cards that are neither mute nor held exclusively.
std::uint32_t UsableCardCount(const PcscProbeOutcome& outcome);

// The service is stopped, or refused the context as stopped or absent, while its start type says that Windows
// starts it only when a reader is attached: no reader is attached, and nothing is broken.
bool PcscIdleWithoutReader(const PcscProbeOutcome& outcome);

// Turkish name of a service state ("çalışıyor"); "bilinmiyor (n)" for anything outside 1 to 7.
std::wstring ServiceStateText(std::uint32_t state);

// "0x" and exactly eight upper-case hexadecimal digits.
std::wstring FormatHex32(std::uint32_t value);

// Counting of one reader's event state, first matching bit wins; a present card is mute or held exclusively
// when those bits are set as well.
enum class ReaderEventClass { Unavailable, Unknown, Present, PresentMute, PresentExclusive, Empty };
ReaderEventClass ClassifyReaderEventState(std::uint32_t event_state);

}  // namespace tavlun
