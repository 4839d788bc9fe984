#include "check/pcsc_probe_body.h"

#include <cwchar>
#include <vector>

namespace tavlun {
namespace {

constexpr wchar_t kPnpNotificationReader[] = L"\\\\?PnP?\\Notification";
constexpr wchar_t kVirtualSmartCardPrefix[] = L"Microsoft Virtual Smart Card";

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool IsPnpPseudoReader(const wchar_t* name, std::size_t length) {
  const std::size_t expected = sizeof(kPnpNotificationReader) / sizeof(wchar_t) - 1;
  if (length != expected) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (FoldAscii(name[i]) != FoldAscii(kPnpNotificationReader[i])) return false;
  }
  return true;
}

bool IsVirtualSmartCardReader(const wchar_t* name, std::size_t length) {
  const std::size_t prefix = sizeof(kVirtualSmartCardPrefix) / sizeof(wchar_t) - 1;
  if (length < prefix) return false;
  for (std::size_t i = 0; i < prefix; ++i) {
    if (FoldAscii(name[i]) != FoldAscii(kVirtualSmartCardPrefix[i])) return false;
  }
  return true;
}

// Bounded wcslen: stops at `limit` when no NUL comes first.
std::size_t BoundedLength(const wchar_t* text, std::size_t limit) {
  std::size_t n = 0;
  while (n < limit && text[n] != L'\0') ++n;
  return n;
}

// Overwrites reader names before the memory goes back to the heap; volatile so the stores are not dropped.
void Scrub(std::vector<wchar_t>& buffer) {
  volatile wchar_t* p = buffer.data();
  for (std::size_t i = 0; i < buffer.size(); ++i) p[i] = L'\0';
}

template <typename T, std::size_t N>
void Scrub(T (&array)[N]) {
  volatile T* p = array;
  for (std::size_t i = 0; i < N; ++i) p[i] = T{};
}

// Steps after a context exists; the caller releases the context.
void ProbeReaders(PcscProbeSystem& system, PcscProbeRecord& record) {
  std::uint32_t length = 0;
  std::uint32_t result = system.ListReaders(nullptr, &length);
  if (result != kScardSuccess) {
    record.listResult = result;
    return;
  }
  if (length < 2 || length > kMaxReaderListChars) {
    record.listResult = kScardInvalidValue;
    return;
  }

  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  std::uint32_t returned = length;
  result = system.ListReaders(buffer.data(), &returned);
  if (result != kScardSuccess) {
    record.listResult = result;
    Scrub(buffer);
    return;
  }
  if (returned < 2 || returned > buffer.size() || buffer[returned - 1] != L'\0' || buffer[returned - 2] != L'\0') {
    record.listResult = kScardInvalidValue;
    Scrub(buffer);
    return;
  }
  record.listResult = kScardSuccess;

  const wchar_t* readers[kPcscMaxReaders] = {};
  std::uint32_t count = 0;
  const std::size_t end = returned < buffer.size() ? returned : buffer.size();
  std::size_t pos = 0;
  while (pos < end) {
    const std::size_t remaining = end - pos;
    const wchar_t* name = buffer.data() + pos;
    if (name[0] == L'\0') break;
    const std::size_t name_length = BoundedLength(name, remaining);
    if (name_length == 0 || name_length >= remaining) break;
    if (!IsPnpPseudoReader(name, name_length) && !IsVirtualSmartCardReader(name, name_length)) {
      if (count < kPcscMaxReaders) {
        readers[count++] = name;
      } else {
        record.truncated = 1;
      }
    }
    pos += name_length + 1;
  }
  record.readerCount = count;

  if (count == 0) {
    record.statusResult = kScardSuccess;
  } else {
    std::uint32_t events[kPcscMaxReaders] = {};
    result = system.GetStatusChange(readers, count, events);
    record.statusResult = result;
    if (result != kScardSuccess) {
      record.unknownCount = count;
    } else {
      for (std::uint32_t i = 0; i < count; ++i) {
        switch (ClassifyReaderEventState(events[i])) {
          case ReaderEventClass::Unavailable:
            ++record.unavailableCount;
            break;
          case ReaderEventClass::Unknown:
            ++record.unknownCount;
            break;
          case ReaderEventClass::Present:
            ++record.presentCount;
            break;
          case ReaderEventClass::PresentMute:
            ++record.presentCount;
            ++record.muteCount;
            break;
          case ReaderEventClass::PresentExclusive:
            ++record.presentCount;
            ++record.exclusiveCount;
            break;
          case ReaderEventClass::Empty:
            ++record.emptyCount;
            break;
        }
      }
    }
    Scrub(events);
  }
  Scrub(readers);
  Scrub(buffer);
}

}  // namespace

PcscProbeRecord RunPcscProbeBody(PcscProbeSystem& system) {
  PcscProbeRecord record;
  std::uint32_t state = 0;
  std::uint32_t error = 0;
  if (!system.QueryServiceState(&state, &error)) {
    record.serviceError = error;
    return record;
  }
  record.serviceQueried = 1;
  record.serviceState = state;
  std::uint32_t start_type = 0;
  bool triggered = false;
  if (system.QueryServiceStart(&start_type, &triggered)) record.serviceStart = EncodeServiceStart(start_type, triggered);
  record.serviceRunning = state == kServiceStateRunning ? 1 : 0;
  // A service that does not run is only reported, never started.
  if (record.serviceRunning == 0) return record;

  record.establishResult = system.EstablishContext();
  if (record.establishResult != kScardSuccess) return record;
  ProbeReaders(system, record);
  system.ReleaseContext();
  return record;
}

}  // namespace tavlun
