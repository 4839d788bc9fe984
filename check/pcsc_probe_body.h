// The body of the probe child, written against a small interface to the service manager and PC/SC so that every
// path through it (no readers, 70 readers, a failing status query) can be exercised without a card stack.
// Pure: no Windows headers, builds natively too.
#pragma once

#include <cstdint>

#include "check/pcsc_probe.h"

namespace tavlun {

// The calls the probe makes, with Windows results as 32-bit patterns.
class PcscProbeSystem {
 public:
  virtual ~PcscProbeSystem() = default;
  // Opens the service manager and SCardSvr and reads its current state (1 to 7). False with the non-zero error
  // code of the failed service-manager call.
  virtual bool QueryServiceState(std::uint32_t* state, std::uint32_t* error) = 0;
  // After QueryServiceState succeeded: the service's start type (0 to 4) and whether it has start triggers. False
  // when the configuration cannot be read; the record then says that the start type is unknown.
  virtual bool QueryServiceStart(std::uint32_t* start_type, bool* triggered) = 0;
  // SCardEstablishContext(SCARD_SCOPE_USER); the context is kept for the calls below.
  virtual std::uint32_t EstablishContext() = 0;
  // SCardListReadersW over all readers: `buffer` null asks for the length; `length` is in and out, in characters.
  virtual std::uint32_t ListReaders(wchar_t* buffer, std::uint32_t* length) = 0;
  // SCardGetStatusChangeW with a time-out of 0 over `count` readers whose current state is UNAWARE; on success
  // `event_states` receives each reader's dwEventState.
  virtual std::uint32_t GetStatusChange(const wchar_t* const* readers, std::uint32_t count,
                                        std::uint32_t* event_states) = 0;
  // Releases the context of a successful EstablishContext.
  virtual void ReleaseContext() = 0;
};

inline constexpr std::uint32_t kMaxReaderListChars = 32768;

// Runs the probe against `system`; never fails as a whole, every failure is encoded in the record. Never starts the
// service and never calls PC/SC unless the service runs. The reader-name buffer is zeroed before it is released.
// Besides the Plug-and-Play pseudo-reader, TPM virtual smart cards ("Microsoft Virtual Smart Card N") are not
// counted: they always hold a card and would stand in for the user's own.
PcscProbeRecord RunPcscProbeBody(PcscProbeSystem& system);

}  // namespace tavlun
