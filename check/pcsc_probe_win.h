// Running the smart-card probe: the parent side (a copy of the program inside a kill-on-close job, fed one
// inherited pipe handle and given 3 seconds) and the child side (the real service and PC/SC queries).
#pragma once

#include <string>

#include "check/pcsc_probe.h"

namespace tavlun {

// Starts this program as the probe child and reads its record. Never fails as a whole: every failure is the
// default outcome with kind NotRun, TimedOut or InvalidResult and a Turkish detail. Blocks for at most the
// 3-second wait plus process creation; no probe process outlives the call.
PcscProbeOutcome RunPcscProbe();

// The same protocol with another program in the child's place (tests start stand-ins that hang, fail or write
// crafted records). The program is started as "<path>" --pcsc-probe --pcsc-pipe=<write handle>.
PcscProbeOutcome RunPcscProbeProgram(const std::wstring& program_path);

// The probe child's body against the real service manager and WinSCard. Never fails; failures are in the record.
PcscProbeRecord ProbePcscInChild();

}  // namespace tavlun
