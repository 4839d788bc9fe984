// The scrolling confirmation of the clipboard copy, for a report too tall for the task dialog's expanded area: a
// dialog built in memory with the warning, the whole text in a read-only field, the copy button and Cancel.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/unique_handle.h"
#include "ui/clipboard_copy.h"
#include "ui/clipboard_copy_win.h"

namespace tavlun {
namespace {

constexpr int kInstructionId = 101;
constexpr int kContentId = 102;
// 96-DPI pixels.
constexpr int kMargin = 12;
constexpr int kGap = 8;
constexpr int kCopyButtonWidth = 124;
constexpr int kCancelButtonWidth = 88;
constexpr int kButtonHeight = 28;
constexpr int kMinWidth = 480;
constexpr int kMinHeight = 360;

struct ConfirmationData {
  const std::wstring* text;
  int dpi;
  UniqueHfont instructionFont;  // the dialog font, larger and bold, as task dialogs show their instruction
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
  // Positions are set in WM_INITDIALOG; the template only creates the controls in tab order.
  void Item(DWORD style, WORD id, WORD class_atom, const wchar_t* text) {
    AlignDword();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    for (int i = 0; i < 4; ++i) Word(0);
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

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

int ScreenDpi() {
  WindowDc screen(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

// The height `control`'s text wraps to at `width` pixels in its own font.
int TextHeight(HWND control, int width) {
  const int length = ::GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(control, &text[0], length + 1)));
  WindowDc dc(control);
  if (!dc) return 0;
  SelectedObject selected(dc.get(), reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT r{0, 0, std::max(width, 1), 0};
  ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  return r.bottom - r.top;
}

void LayOut(HWND dialog, int dpi) {
  RECT client{};
  ::GetClientRect(dialog, &client);
  const auto scale = [dpi](int value) { return ::MulDiv(value, dpi, 96); };
  const int margin = scale(kMargin);
  const int gap = scale(kGap);
  const int width = std::max(static_cast<int>(client.right) - 2 * margin, 1);
  HWND instruction = ::GetDlgItem(dialog, kInstructionId);
  HWND content = ::GetDlgItem(dialog, kContentId);
  int y = margin;
  const int instruction_height = TextHeight(instruction, width);
  ::MoveWindow(instruction, margin, y, width, instruction_height, TRUE);
  y += instruction_height + gap;
  const int content_height = TextHeight(content, width);
  ::MoveWindow(content, margin, y, width, content_height, TRUE);
  y += content_height + gap;
  const int button_height = scale(kButtonHeight);
  const int buttons_top = client.bottom - margin - button_height;
  ::MoveWindow(::GetDlgItem(dialog, kCopyTextFieldId), margin, y, width, std::max(buttons_top - gap - y, 0), TRUE);
  const int cancel_width = scale(kCancelButtonWidth);
  const int copy_width = scale(kCopyButtonWidth);
  ::MoveWindow(::GetDlgItem(dialog, IDCANCEL), client.right - margin - cancel_width, buttons_top, cancel_width,
               button_height, TRUE);
  ::MoveWindow(::GetDlgItem(dialog, kConfirmCopyButtonId), client.right - margin - cancel_width - gap - copy_width,
               buttons_top, copy_width, button_height, TRUE);
}

INT_PTR CALLBACK ConfirmationProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* data = reinterpret_cast<ConfirmationData*>(lparam);
      ::SetWindowLongPtrW(dialog, DWLP_USER, data->dpi);
      LOGFONTW font{};
      if (::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(font), &font)) {
        font.lfHeight = font.lfHeight * 4 / 3;
        font.lfWeight = FW_SEMIBOLD;
        data->instructionFont.reset(::CreateFontIndirectW(&font));
        if (data->instructionFont) {
          ::SendMessageW(::GetDlgItem(dialog, kInstructionId), WM_SETFONT,
                         reinterpret_cast<WPARAM>(data->instructionFont.get()), FALSE);
        }
      }
      HWND edit = ::GetDlgItem(dialog, kCopyTextFieldId);
      ::SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
      ::SetWindowTextW(edit, data->text->c_str());
      // Most of the owner's screen, centred in its work area, never larger than it.
      MONITORINFO monitor{};
      monitor.cbSize = sizeof(monitor);
      if (::GetMonitorInfoW(::MonitorFromWindow(::GetWindow(dialog, GW_OWNER), MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        const int work_width = work.right - work.left;
        const int work_height = work.bottom - work.top;
        const int width = std::min(work_width, std::max(work_width * 3 / 5, ::MulDiv(kMinWidth, data->dpi, 96)));
        const int height = std::min(work_height, std::max(work_height * 4 / 5, ::MulDiv(kMinHeight, data->dpi, 96)));
        ::SetWindowPos(dialog, nullptr, work.left + (work_width - width) / 2, work.top + (work_height - height) / 2,
                       width, height, SWP_NOZORDER);
      }
      LayOut(dialog, data->dpi);
      // The text first, so that the keys scroll it; Enter presses the default button, Cancel.
      ::SetFocus(edit);
      ::SendMessageW(edit, EM_SETSEL, 0, 0);
      return FALSE;  // focus set here
    }
    case WM_SIZE:
      LayOut(dialog, static_cast<int>(::GetWindowLongPtrW(dialog, DWLP_USER)));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == kConfirmCopyButtonId || LOWORD(wparam) == IDCANCEL) {
        ::EndDialog(dialog, LOWORD(wparam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

bool ConfirmCopyInScrollingView(HWND owner, const std::wstring& text) {
  TemplateWriter writer;
  writer.Dword(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME);
  writer.Dword(0);
  writer.Word(5);  // items
  for (short value : {0, 0, 320, 240}) writer.Word(static_cast<WORD>(value));
  writer.Word(0);  // no menu
  writer.Word(0);  // default class
  writer.Text(kCopyDialogTitle);
  writer.Word(9);
  writer.Text(L"Segoe UI");
  writer.Item(SS_NOPREFIX, kInstructionId, kStaticClass, kCopyDialogInstruction);
  writer.Item(SS_NOPREFIX, kContentId, kStaticClass, kCopyScrollingContent);
  writer.Item(ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP, kCopyTextFieldId,
              kEditClass, L"");
  writer.Item(BS_PUSHBUTTON | WS_TABSTOP, kConfirmCopyButtonId, kButtonClass, kCopyButtonText);
  writer.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, IDCANCEL, kButtonClass, kCopyCancelText);
  ConfirmationData data{&text, ScreenDpi(), UniqueHfont()};
  return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), writer.get(), owner, ConfirmationProc,
                                   reinterpret_cast<LPARAM>(&data)) == kConfirmCopyButtonId;
}

}  // namespace tavlun
