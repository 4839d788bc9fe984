// What screen readers get from the main window beyond what its controls report themselves: the status card as
// the description of the window and of the first focused control, a polite live region on the status title that
// speaks status changes and the check's progress, and the names of the result list and its rows. Annotations go
// through the system's accessibility property service (oleacc, loaded from System32); where it is missing or does
// not know the live-region property (Windows before 10 version 1709, Wine) an announcement is raised as an alert.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "core/unique_handle.h"

struct IAccPropServices;

namespace tavlun {

class ScreenReaderSupport {
 public:
  ScreenReaderSupport();  // out of line, where the interface is complete
  ~ScreenReaderSupport();
  ScreenReaderSupport(const ScreenReaderSupport&) = delete;
  ScreenReaderSupport& operator=(const ScreenReaderSupport&) = delete;

  // Once, after the controls exist, on the window thread (its COM apartment): takes the property service, makes
  // `live_label` a polite live region and names `list`. Works without the service, with alerts only.
  void Attach(HWND window, HWND live_label, HWND described_control, HWND list);
  // Before the windows go: removes every annotation made.
  void Detach();

  // The status shown now. It becomes the description of the window and of the described control; a change from
  // the last settled status is announced when `settled` (not while a check runs, which speaks for itself).
  void ShowStatus(const std::wstring& status, bool settled);

  // Speaks `text` through the live region (or as an alert); while an AnnouncementBatch lives, announcements are
  // collected and spoken as one when it ends, so that the later one does not cut the earlier off.
  void Announce(const std::wstring& text);

  // The accessible name of list row `index` (child index + 1 of the list).
  void NameRow(std::size_t index, const std::wstring& name);

  bool live_region() const { return live_region_; }
  const std::wstring& last_announcement() const { return last_; }

 private:
  friend class AnnouncementBatch;
  void Hold() { ++hold_; }
  void Release();
  void SetString(HWND window, long child, bool name, const std::wstring& text);
  void Speak(const std::wstring& text);

  ComPtr<IAccPropServices> services_;
  HWND window_ = nullptr;
  HWND live_label_ = nullptr;
  HWND described_ = nullptr;
  HWND list_ = nullptr;
  bool live_region_ = false;
  int hold_ = 0;
  std::wstring held_;
  std::wstring last_;
  std::wstring settled_status_;
  long named_rows_ = 0;
};

class AnnouncementBatch {
 public:
  explicit AnnouncementBatch(ScreenReaderSupport& support) : support_(support) { support_.Hold(); }
  ~AnnouncementBatch() { support_.Release(); }
  AnnouncementBatch(const AnnouncementBatch&) = delete;
  AnnouncementBatch& operator=(const AnnouncementBatch&) = delete;

 private:
  ScreenReaderSupport& support_;
};

}  // namespace tavlun
