// The signature lines of the report: one per file found at a target, the same in both texts, with the signer's
// name redacted like every outside text and withheld when it holds the user's name.
#include <gtest/gtest.h>

#include <string>

#include "check/report.h"

namespace tavlun {
namespace {

ReportFacts KeptFacts(const std::wstring& signer) {
  ReportFacts f;
  f.targetsResolved = true;
  f.targets = {{L"32-bit", L"C:\\Windows\\SysWOW64\\akisp11.dll", L"r32"},
               {L"64-bit", L"C:\\Windows\\System32\\akisp11.dll", L"r64"}};
  f.payloadsVerified = true;
  f.redaction[4] = L"C:\\Users\\Ayse";
  f.userName = L"ayse";
  DllState& dll = f.dllState;
  dll.kind = DllStateKind::SameOrNewerKept;
  dll.message = L"Paket sürümünden daha yeni bir AKİS DLL bulundu; güvenlik için değiştirilmedi; imzası geçerli: " +
                signer;
  SignatureCheck trusted;
  trusted.result = SignatureResult::Trusted;
  trusted.signer = signer;
  trusted.signing_time = L"2026-03-07 09:05 UTC";
  dll.found_files = {{L"32-bit", true, SignatureCheck()}, {L"64-bit", false, trusted}};
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
      EXPECT_TRUE(HasLine(*text, L"AKİS 32-bit dosyası imzası=paketle aynı dosya; ayrıca denetlenmedi")) << *text;
      EXPECT_TRUE(HasLine(*text, L"AKİS 64-bit dosyası imzası=geçerli; imzalayan: " + c.shown +
                                     L"; imza zamanı: 2026-03-07 09:05 UTC"))
          << *text;
      EXPECT_TRUE(HasLine(*text, L"Kurulu durum=Paket sürümünden daha yeni bir AKİS DLL bulundu; güvenlik için "
                                 L"değiştirilmedi; imzası geçerli: " +
                                     c.shown))
          << *text;
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
