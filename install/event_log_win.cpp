#include "install/event_log_win.h"

#include <string>

namespace tavlun {
namespace {

// ReportEventW takes at most 31839 characters per string; a long rollback text is cut, never the entry dropped.
constexpr std::size_t kMaxEventText = 31000;

bool IsUsableOutput(HANDLE output) {
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return false;
  const DWORD type = ::GetFileType(output);
  return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE || type == FILE_TYPE_CHAR;
}

bool WriteLine(HANDLE output, const std::wstring& line) {
  const int size =
      ::WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (::WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &bytes[0], size, nullptr,
                            nullptr) != size) {
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!::WriteFile(output, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
        written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace

ReportChannels SystemReportChannels() {
  ReportChannels channels;
  channels.standard_output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  return channels;
}

ReportDelivery DeliverElevatedReport(const ElevatedReport& report, const ReportChannels& channels) {
  ReportDelivery delivery;
  if (IsUsableOutput(channels.standard_output)) {
    delivery.line_written = WriteLine(channels.standard_output, report.output_line);
  }

  HANDLE source = channels.register_event_source(nullptr, kEventSourceName);
  if (source == nullptr) {
    delivery.event_error = ::GetLastError();
    return delivery;
  }
  const std::wstring text = report.event_text.substr(0, kMaxEventText);
  const wchar_t* strings[1] = {text.c_str()};
  if (channels.report_event(source, report.event_type, 0, report.event_id, nullptr, 1, 0, strings, nullptr)) {
    delivery.event_reported = true;
  } else {
    delivery.event_error = ::GetLastError();
  }
  channels.deregister_event_source(source);
  return delivery;
}

}  // namespace tavlun
