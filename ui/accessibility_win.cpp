#include "ui/accessibility_win.h"

#include <objbase.h>
#include <oleacc.h>

#include <utility>

#include "core/system_dlls.h"
#include "ui/accessibility_text.h"

#ifndef EVENT_OBJECT_LIVEREGIONCHANGED
#define EVENT_OBJECT_LIVEREGIONCHANGED 0x8019
#endif

namespace tavlun {
namespace {

// Defined here: older SDK and MinGW headers lack some of them, and their libraries are not linked.
constexpr CLSID kAccPropServicesClsid = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kAccPropServicesIid = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kNameProperty = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr GUID kDescriptionProperty = {0x4d48dfe4, 0xbd3f, 0x491f, {0xa6, 0x48, 0x49, 0x2d, 0x6f, 0x20, 0xc5, 0x88}};
// UI Automation's LiveSetting, accepted by the property service from Windows 10 version 1709 on.
constexpr GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kLiveSettingPolite = 1;

}  // namespace

ScreenReaderSupport::ScreenReaderSupport() = default;
ScreenReaderSupport::~ScreenReaderSupport() { Detach(); }

void ScreenReaderSupport::Attach(HWND window, HWND live_label, HWND described_control, HWND list) {
  window_ = window;
  live_label_ = live_label;
  described_ = described_control;
  list_ = list;
  // COM would load the service's DLL by its registered path; loading it first from System32 keeps the rule that
  // every system DLL the program uses comes from there.
  if (sysdll::LoadSystemDll(L"oleacc.dll") != nullptr &&
      FAILED(::CoCreateInstance(kAccPropServicesClsid, nullptr, CLSCTX_INPROC_SERVER, kAccPropServicesIid,
                                services_.put_void()))) {
    services_.reset();
  }
  if (services_) {
    VARIANT polite{};
    polite.vt = VT_I4;
    polite.lVal = kLiveSettingPolite;
    live_region_ = SUCCEEDED(services_->SetHwndProp(live_label_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                                    kLiveSettingProperty, polite));
  }
  SetString(list_, CHILDID_SELF, true, kResultListName);
}

void ScreenReaderSupport::Detach() {
  if (!services_) return;
  const MSAAPROPID label_properties[] = {kNameProperty, kLiveSettingProperty};
  const MSAAPROPID description[] = {kDescriptionProperty};
  const MSAAPROPID name[] = {kNameProperty};
  const DWORD client = static_cast<DWORD>(OBJID_CLIENT);
  services_->ClearHwndProps(live_label_, client, CHILDID_SELF, label_properties, 2);
  services_->ClearHwndProps(window_, client, CHILDID_SELF, description, 1);
  services_->ClearHwndProps(described_, client, CHILDID_SELF, description, 1);
  for (long child = 0; child <= named_rows_; ++child) services_->ClearHwndProps(list_, client, child, name, 1);
  services_.reset();
}

void ScreenReaderSupport::SetString(HWND window, long child, bool name, const std::wstring& text) {
  if (!services_ || window == nullptr) return;
  services_->SetHwndPropStr(window, static_cast<DWORD>(OBJID_CLIENT), static_cast<DWORD>(child),
                            name ? kNameProperty : kDescriptionProperty, text.c_str());
}

void ScreenReaderSupport::ShowStatus(const std::wstring& status, bool settled) {
  SetString(window_, CHILDID_SELF, false, status);
  SetString(described_, CHILDID_SELF, false, status);
  // Until the first announcement the live region reads as the status card itself.
  if (last_.empty()) SetString(live_label_, CHILDID_SELF, true, status);
  if (!settled) return;
  const bool changed = !settled_status_.empty() && settled_status_ != status;
  settled_status_ = status;
  if (changed) Announce(status);
}

void ScreenReaderSupport::Announce(const std::wstring& text) {
  if (hold_ > 0) {
    held_ = JoinSpeech(held_, text);
    return;
  }
  Speak(text);
}

void ScreenReaderSupport::Release() {
  if (hold_ > 0 && --hold_ == 0 && !held_.empty()) Speak(std::exchange(held_, std::wstring()));
}

void ScreenReaderSupport::Speak(const std::wstring& text) {
  last_ = text;
  if (live_label_ == nullptr) return;
  // The live region is read by its name, so the name carries the announcement.
  SetString(live_label_, CHILDID_SELF, true, text);
  ::NotifyWinEvent(live_region_ ? EVENT_OBJECT_LIVEREGIONCHANGED : EVENT_SYSTEM_ALERT, live_label_, OBJID_CLIENT,
                   CHILDID_SELF);
}

void ScreenReaderSupport::NameRow(std::size_t index, const std::wstring& name) {
  const long child = static_cast<long>(index) + 1;
  if (child > named_rows_) named_rows_ = child;
  SetString(list_, child, true, name);
}

}  // namespace tavlun
