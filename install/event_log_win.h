// Delivers an elevated run's report: the line to standard output, the entry to the Application event log.
#pragma once

#include <windows.h>

#include "install/event_log.h"

namespace tavlun {

// Where the report goes; tests put their own functions in place of the system's.
struct ReportChannels {
  HANDLE standard_output = nullptr;  // as GetStdHandle gives it
  decltype(&::RegisterEventSourceW) register_event_source = &::RegisterEventSourceW;
  decltype(&::ReportEventW) report_event = &::ReportEventW;
  decltype(&::DeregisterEventSource) deregister_event_source = &::DeregisterEventSource;
};

// The process's standard output and the system's event log.
ReportChannels SystemReportChannels();

struct ReportDelivery {
  bool line_written = false;
  bool event_reported = false;
  DWORD event_error = ERROR_SUCCESS;  // the failing call's code when the entry was not reported
};

// Writes the line in UTF-8 only when the standard output handle names a file, a pipe or a character device (a
// program started without a redirection has none), and reports the entry under kEventSourceName. Neither failure
// changes anything else: the exit code stays the result.
ReportDelivery DeliverElevatedReport(const ElevatedReport& report, const ReportChannels& channels);

}  // namespace tavlun
