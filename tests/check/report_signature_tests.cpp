// The report's signature lines: one per file found, the same in both texts, the signer redacted like any outside
// text.
#include <gtest/gtest.h>

#include <string>

#include "check/report.h"

namespace tavlun {
namespace {

const std::wstring kKept = L"Paket sürümünden daha yeni bir AKİS DLL bulundu; güvenlik için değiştirilmedi; ";

ReportFacts KeptFacts(const std::wstring& signer) {
  ReportFacts f;
  f.targetsResolved = true;
  f.targets = {{L"32-bit", L"C:\\Windows\\SysWOW64\\akisp11.dll", L"r32"},
               {L"64-bit", L"C:\\Windows\\System32\\akisp11.dll", L"r64"}};
  f.payloadsVerified = true;
  f.redaction[4] = L"C:\\Users\\Ayse";
  f.userName = L"ayse";
  f.dllState.kind = DllStateKind::SameOrNewerKept;
  f.dllState.message = kKept + L"imzası geçerli: " + signer;
  SignatureCheck trusted;
  trusted.result = SignatureResult::Trusted;
  trusted.signer = signer;
  trusted.signing_time = L"2026-03-07 09:05 UTC";
  f.dllState.found_files = {{L"32-bit", true, SignatureCheck()}, {L"64-bit", false, trusted}};
  return f;
}

bool HasLine(const std::wstring& text, const std::wstring& line) {
  return text.find(L"\r\n" + line + L"\r\n") != std::wstring::npos;
}

TEST(ReportSignatures, OneLinePerFoundFileInBothTextsWithTheSignerRedacted) {
  const struct {
    std::wstring signer;
    std::wstring shown;
  } cases[] = {
      {L"Örnek Yazılım A.Ş.", L"Örnek Yazılım A.Ş."},
      {L"Ayse Kaya", L"gizlendi"},                          // the user's own name
      {L"C:\\Users\\Ayse\\imza <x>", L"gizlendi"},  // a user's folder
      {L"Firma\u202E Ltd.", L"Firma_ Ltd."},                // made display-safe
  };
  for (const auto& c : cases) {
    const DiagnosticReport report = AssembleDiagnosticReport(KeptFacts(c.signer));
    for (const std::wstring* text : {&report.fullText, &report.clipboardText}) {
      SCOPED_TRACE(::testing::Message() << *text);
      EXPECT_TRUE(HasLine(*text, L"AKİS 32-bit dosyası imzası=paketle aynı dosya; ayrıca denetlenmedi"));
      EXPECT_TRUE(HasLine(*text, L"AKİS 64-bit dosyası imzası=geçerli; imzalayan: " + c.shown +
                                     L"; imza zamanı: 2026-03-07 09:05 UTC"));
      EXPECT_TRUE(HasLine(*text, L"Kurulu durum=" + kKept + L"imzası geçerli: " + c.shown));
      if (c.shown == L"gizlendi") {
        EXPECT_EQ(text->find(L"Ayse Kaya"), std::wstring::npos);
      }
    }
  }

  // Files that were not examined or are unsigned say so.
  ReportFacts f = KeptFacts(L"x");
  f.dllState.found_files[1].check = SignatureCheck();
  f.dllState.found_files[1].check.detail = L"süre sınırı aşıldığı için incelenmedi";
  f.dllState.found_files[0].check.result = SignatureResult::NotSigned;
  f.dllState.found_files[0].identical = false;
  const DiagnosticReport report = AssembleDiagnosticReport(f);
  EXPECT_TRUE(HasLine(report.clipboardText, L"AKİS 32-bit dosyası imzası=imzasız"));
  EXPECT_TRUE(HasLine(report.clipboardText, L"AKİS 64-bit dosyası imzası=denetlenemedi: süre sınırı aşıldığı için incelenmedi"));
}

}  // namespace
}  // namespace tavlun
