// Every way an installation can end, and the text and icon the window shows for it.
#include <gtest/gtest.h>

#include "ui/install_flow_text.h"

namespace tavlun {
namespace {

constexpr const wchar_t* kFailed = kInstallFailedText;
constexpr wchar_t kLog[] = L"\n\nAyrıntılı günlük: %ProgramData%\\TavlunYardimcisi\\Logs";

TEST(InstallFlowText, ElevatedRunEndsMapToOneNoticeEach) {
  using S = ElevatedRunStage;
  using K = DllStateKind;
  const std::wstring state = L"AKİS dosyası farklı.";
  const std::wstring failed_state = std::wstring(kFailed) + L"\n\nDurum: " + state;
  const std::wstring failed_state_log = failed_state + kLog;
  const std::wstring failed_log = std::wstring(kFailed) + kLog;
  // No rights, another installation, folders not ready: the browser advice does not fit those.
  const std::wstring refused_state = std::wstring(kInstallRefusedText) + L"\n\nDurum: " + state;
  // Plain pointers keep the table free of string members (GCC 12 warns falsely about those at -O3).
  struct Row {
    S stage;
    std::uint32_t code;
    K kind;
    const wchar_t* message;
    std::wstring text;
    NoticeIcon icon;
  };
  const Row rows[] = {
      {S::Exited, 0, K::MatchesPackage, state.c_str(),
       L"Gerekli " + PayloadProductText() + L" dosyaları kuruldu ve SHA-256 eşleşmeleri doğrulandı.", NoticeIcon::Information},
      {S::Exited, 0, K::SameOrNewerKept, state.c_str(),
       L"Eksik AKİS dosyaları tamamlandı; aynı veya daha yeni sürüm bildiren farklı dosya güvenlik için korundu.",
       NoticeIcon::Information},
      // Exit code 0 with a different file left behind is no success.
      {S::Exited, 0, K::DifferentFile, state.c_str(), failed_state.c_str(), NoticeIcon::Error},
      {S::Exited, 0, K::Missing, state.c_str(), failed_state.c_str(), NoticeIcon::Error},
      {S::Exited, 0, K::UnsupportedArchitecture, state.c_str(), failed_state.c_str(), NoticeIcon::Error},
      {S::Exited, 0, K::VerificationFailed, L"", kFailed, NoticeIcon::Error},
      {S::Exited, 30, K::DifferentFile, state.c_str(), failed_state_log.c_str(), NoticeIcon::Error},
      {S::Exited, 30, K::Missing, L"", failed_log.c_str(), NoticeIcon::Error},
      {S::Exited, 31, K::MatchesPackage, state.c_str(), refused_state.c_str(), NoticeIcon::Error},
      {S::Exited, 31, K::Missing, L"", kInstallRefusedText, NoticeIcon::Error},
      {S::Exited, kUnreadableExitCode, K::Missing, state.c_str(), failed_state.c_str(), NoticeIcon::Error},
      {S::NotStarted, kElevationCancelled, K::Missing, state.c_str(),
       L"Yönetici izni iptal edildi; hiçbir değişiklik yapılmadı.", NoticeIcon::Information},
      {S::NotStarted, 2, K::Missing, state.c_str(), L"Yönetici işlemi başlatılamadı: Sistem belirtilen dosyayı bulamıyor.",
       NoticeIcon::Error},
      {S::NotWatched, 0, K::Missing, state.c_str(), L"Yönetici işlemi izlenemedi.", NoticeIcon::Error},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.stage) * 10000 + static_cast<int>(row.code) * 10 + static_cast<int>(row.kind));
    ElevatedRunEnd end;
    end.stage = row.stage;
    end.code = row.code;
    if (row.stage == S::NotStarted) end.error_text = L"Sistem belirtilen dosyayı bulamıyor.";
    const Notice notice = ElevatedRunNotice(end, row.kind, row.message);
    EXPECT_EQ(notice.text, row.text);
    EXPECT_EQ(notice.icon, row.icon);
  }
}

TEST(InstallFlowText, ReverificationAndInProcessOutcomes) {
  EXPECT_TRUE(ReverifiedStateNotice(DllStateKind::MatchesPackage).has_value());
  EXPECT_TRUE(ReverifiedStateNotice(DllStateKind::SameOrNewerKept).has_value());
  EXPECT_FALSE(ReverifiedStateNotice(DllStateKind::DifferentFile).has_value());
  InstallOutcome outcome;
  outcome.outcome = kOutcomeInstalled;
  outcome.message = L"Kuruldu.";
  outcome.target = L"C:\\T";
  outcome.backup = L"C:\\B";
  EXPECT_EQ(InProcessOutcomeNotice(outcome).text, L"Kuruldu.\n\nHedef: C:\\T\nYedek: C:\\B");
  outcome.outcome = kOutcomeFailed;
  outcome.log_written = true;
  EXPECT_EQ(InProcessOutcomeNotice(outcome).text, std::wstring(L"Kuruldu.") + kLog);
  EXPECT_EQ(InProcessOutcomeNotice(outcome).icon, NoticeIcon::Error);
}

}  // namespace
}  // namespace tavlun
