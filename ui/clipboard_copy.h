// Texts and limits of copying the report to the clipboard. Pure.
#pragma once

#include <cstddef>

namespace tavlun {

// The clipboard takes 1 to 32767 UTF-16 units of the report.
inline bool IsCopyableLength(std::size_t units) { return units >= 1 && units <= 0x7FFF; }

inline constexpr int kConfirmCopyButtonId = 2002;
// The scrolling confirmation's text field, used instead of the task dialog when the text would push the dialog's
// buttons off the screen.
inline constexpr int kCopyTextFieldId = 100;

inline constexpr wchar_t kCopyDialogTitle[] = L"Tanılama Raporunu Panoya Kopyala";
inline constexpr wchar_t kCopyDialogInstruction[] = L"Panoya kopyalamayı onaylayın";
inline constexpr wchar_t kCopyDialogContent[] =
    L"Aşağıdaki sadeleştirilmiş içerik aynen kopyalanacaktır. Windows pano geçmişi, bulut eşitleme ve diğer "
    L"uygulamalar bu içeriğe erişebilir.";
inline constexpr wchar_t kCopyButtonText[] = L"Panoya Kopyala";
inline constexpr wchar_t kCopyHideText[] = L"Kopyalanacak içeriği gizle";
inline constexpr wchar_t kCopyShowText[] = L"Kopyalanacak içeriğin tamamını göster";
inline constexpr wchar_t kCopyScrollingContent[] =
    L"Aşağıdaki sadeleştirilmiş içerik aynen kopyalanacaktır; tamamını görmek için kaydırın. Windows pano geçmişi, "
    L"bulut eşitleme ve diğer uygulamalar bu içeriğe erişebilir.";
inline constexpr wchar_t kCopyCancelText[] = L"İptal";
inline constexpr wchar_t kCopyLengthInvalid[] = L"Rapor panoya kopyalamak için geçerli uzunlukta değil.";
// OpenClipboard is asked this many times, this far apart, before the copy gives up on a clipboard held open.
inline constexpr int kClipboardOpenAttempts = 20;
inline constexpr unsigned kClipboardRetryMs = 50;
inline constexpr wchar_t kClipboardBusyText[] =
    L"Pano şu anda başka bir program tarafından kullanılıyor; rapor kopyalanmadı. Lütfen biraz sonra yeniden "
    L"deneyin.";
inline constexpr wchar_t kCopyDone[] = L"Gizlilik için sadeleştirilmiş rapor panoya kopyalandı.";

}  // namespace tavlun
