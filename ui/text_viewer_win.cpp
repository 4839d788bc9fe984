// A modal, read-only, scrolling view of a text: a dialog built in memory with one edit control and a close button.
#include <windows.h>

#include <string>
#include <vector>

#include "core/unique_handle.h"
#include "ui/clipboard_copy.h"
#include "ui/clipboard_copy_win.h"

namespace tavlun {
namespace {

constexpr int kViewerEditId = 100;
constexpr int kMargin = 8;    // 96-DPI pixels
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 28;

struct ViewerData {
  const std::wstring* text;
  int dpi;
};

// A dialog template is a sequence of WORDs with DWORD-aligned item headers.
class TemplateWriter {
 public:
  void Word(WORD value) { words_.push_back(value); }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Text(const wchar_t* text) {
    for (; *text != L'\0'; ++text) Word(static_cast<WORD>(*text));
    Word(0);
  }
  void AlignDword() {
    if (words_.size() % 2 != 0) Word(0);
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD class_atom, const wchar_t* text) {
    AlignDword();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    for (short value : {x, y, cx, cy}) Word(static_cast<WORD>(value));
    Word(id);
    Word(0xFFFF);
    Word(class_atom);
    Text(text);
    Word(0);  // no creation data
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  std::vector<WORD> words_;
};

int ScreenDpi() {
  WindowDc screen(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

void LayOut(HWND dialog, int dpi) {
  RECT client{};
  ::GetClientRect(dialog, &client);
  const int margin = ::MulDiv(kMargin, dpi, 96);
  const int button_width = ::MulDiv(kButtonWidth, dpi, 96);
  const int button_height = ::MulDiv(kButtonHeight, dpi, 96);
  ::MoveWindow(::GetDlgItem(dialog, kViewerEditId), margin, margin, client.right - 2 * margin,
               client.bottom - 3 * margin - button_height, TRUE);
  ::MoveWindow(::GetDlgItem(dialog, IDCANCEL), client.right - margin - button_width,
               client.bottom - margin - button_height, button_width, button_height, TRUE);
}

INT_PTR CALLBACK ViewerProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* data = reinterpret_cast<const ViewerData*>(lparam);
      ::SetWindowLongPtrW(dialog, DWLP_USER, data->dpi);
      HWND edit = ::GetDlgItem(dialog, kViewerEditId);
      ::SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
      ::SetWindowTextW(edit, data->text->c_str());
      // Most of the owner's screen, centred on it.
      MONITORINFO monitor{};
      monitor.cbSize = sizeof(monitor);
      if (::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        const int width = (work.right - work.left) * 3 / 5;
        const int height = (work.bottom - work.top) * 4 / 5;
        ::SetWindowPos(dialog, nullptr, work.left + (work.right - work.left - width) / 2,
                       work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER);
      }
      LayOut(dialog, data->dpi);
      ::SetFocus(edit);
      ::SendMessageW(edit, EM_SETSEL, 0, 0);
      return FALSE;  // focus set here
    }
    case WM_SIZE:
      LayOut(dialog, static_cast<int>(::GetWindowLongPtrW(dialog, DWLP_USER)));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == IDOK) {
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void ShowTextViewer(HWND owner, const std::wstring& title, const std::wstring& text) {
  TemplateWriter writer;
  writer.Dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME);
  writer.Dword(0);
  writer.Word(2);  // items
  for (short value : {0, 0, 360, 240}) writer.Word(static_cast<WORD>(value));
  writer.Word(0);  // no menu
  writer.Word(0);  // default class
  writer.Text(title.c_str());
  writer.Word(9);
  writer.Text(L"Segoe UI");
  writer.Item(ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 4, 4, 352, 210,
              kViewerEditId, 0x0081, L"");
  writer.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 300, 220, 56, 14, IDCANCEL, 0x0080, kCopyViewerClose);
  ViewerData data{&text, ScreenDpi()};
  ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), writer.get(), owner, ViewerProc,
                            reinterpret_cast<LPARAM>(&data));
}

}  // namespace tavlun
