// The install flow's messages: one place that turns each way an installation can end into the text and icon the
// window shows. Pure, so that every row is tested without a process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/install_outcome.h"
#include "target/dll_state.h"

namespace tavlun {

enum class NoticeIcon { Information, Error };

struct Notice {
  std::wstring text;
  NoticeIcon icon = NoticeIcon::Information;
};

// How the elevated copy ended, as far as the window saw it.
enum class ElevatedRunStage {
  NotStarted,  // ShellExecuteExW failed; `code` holds its Windows error
  NotWatched,  // started, but without a process handle
  Exited,      // `code` holds its exit code (kUnreadableExitCode when it could not be read)
};

struct ElevatedRunEnd {
  ElevatedRunStage stage = ElevatedRunStage::Exited;
  std::uint32_t code = 0;
  std::wstring error_text;  // WindowsErrorText(code) for NotStarted
};

inline constexpr std::uint32_t kUnreadableExitCode = 99;
inline constexpr std::uint32_t kElevationCancelled = 1223;  // ERROR_CANCELLED: the prompt was declined

inline constexpr wchar_t kInstallConfirmText[] =
    L"Devam etmeden önce tarayıcıları ve açık e-imza uygulamalarını kapatın.\n\nEski veya farklı bir akisp11.dll "
    L"bulunursa önce güvenli bir yedeği alınacaktır. Aynı ya da daha yeni sürümler korunur; başka bir işlemci türü "
    L"için derlenmiş bir dosya ise, bildirdiği sürüm ne olursa olsun yedeklenip değiştirilir. Devam edilsin mi?";
inline constexpr wchar_t kNoProgramPathText[] = L"Uygulama yolu alınamadı.";
// The end of an elevated copy that failed: with its log (30) or other codes, and without a log or before any
// target (31).
inline constexpr wchar_t kInstallFailedText[] = L"Kurulum tamamlanamadı. Tarayıcıları kapatıp yeniden deneyin.";
inline constexpr wchar_t kInstallRefusedText[] =
    L"Kurulum tamamlanamadı. Olası nedenler: bu hesabın yönetici izni yok, başka bir kurulum sürüyor veya sistem "
    L"klasörleri güvenle hazırlanamadı. Başka bir kurulum açıksa bitmesini bekleyin ve yönetici hesabıyla yeniden "
    L"deneyin; sorun sürerse bilgisayarı yeniden başlatıp bir kez daha deneyin.";

// Step one of the flow: after re-reading the files, the message that ends the flow without any prompt, or nothing
// when the kind asks for an installation.
std::optional<Notice> ReverifiedStateNotice(DllStateKind refreshed_kind);

// The end of an elevated copy, with the DLL state read after it.
Notice ElevatedRunNotice(const ElevatedRunEnd& end, DllStateKind refreshed_kind, const std::wstring& refreshed_message);

// The end of an installation run in the window's own process.
Notice InProcessOutcomeNotice(const InstallOutcome& outcome);

}  // namespace tavlun
