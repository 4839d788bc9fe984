// The ownership and DACL rules on the facts the Windows side reads from a descriptor, one breach at a time. Pure:
// also built natively under the sanitizers. (security_tests.cpp feeds the same rules through real descriptors.)
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "install/security_rules.h"

namespace tavlun {
namespace {

using P = KnownPrincipal;
enum class Rule { File, Folder, Lock, Inherited };

// The descriptor each rule accepts: SYSTEM, Administrators and a third principal, trusted owner, protected DACL
// (the installed file's DACL is inherited instead).
DescriptorFacts Accepted(Rule rule) {
  DescriptorFacts f;
  f.principals_known = f.control_read = f.dacl_present = f.ace_count_read = true;
  f.dacl_protected = rule != Rule::Inherited;
  f.owner = P::Administrators;
  const std::uint8_t flags = rule == Rule::Folder ? 0x03 : rule == Rule::Inherited ? 0x10 : 0x00;
  const bool lock = rule == Rule::Lock;
  f.aces = {{true, 0, flags, P::LocalSystem, 0x10000000},  // GENERIC_ALL, mapped before comparing
            {true, 0, flags, P::Administrators, lock ? 0x1F0001u : 0x1F01FFu},
            {true, 0, flags, lock ? P::AuthenticatedUsers : P::Users, lock ? 0x100001u : 0xA0000000u}};
  f.ace_count = 3;
  return f;
}

std::wstring Verdict(Rule rule, const std::function<void(DescriptorFacts&)>& change) {
  DescriptorFacts f = Accepted(rule);
  change(f);
  std::wstring message;
  const bool ok = rule == Rule::Lock        ? EvaluateInstallLockRule(f, &message)
                  : rule == Rule::Inherited ? EvaluateInheritedFileRule(f, &message)
                                            : EvaluateSecureObjectRule(f, rule == Rule::Folder, &message);
  return ok ? L"ok" : message;
}

TEST(SecurityRules, OneBreachAtATime) {
  const std::wstring owner = L"Güvenli nesnenin sahibi Administrators veya SYSTEM değil.";
  const std::wstring unprotected = L"Güvenli nesnenin DACL'i korumalı değil veya eksik.";
  const std::wstring not_three = L"Güvenli nesnenin DACL'i beklenen üç izin kaydından oluşmuyor.";
  const std::wstring unexpected = L"Güvenli nesnede beklenmeyen veya devralınmış bir izin kaydı var.";
  const std::wstring extra = L"Güvenli nesnenin DACL'inde fazla, yazılabilir veya beklenmeyen bir izin var.";
  const std::wstring lock_untrusted = L"Kurulum kilidinin sahibi veya korumalı DACL'i güvenilir değil.";
  const std::wstring not_inherited = L"Kurulan dosyanın DACL'i hedef klasörden devralınmıyor.";
  const struct {
    Rule rule;
    std::function<void(DescriptorFacts&)> change;
    std::wstring verdict;
  } rows[] = {
      {Rule::File, [](DescriptorFacts&) {}, L"ok"},
      {Rule::Folder, [](DescriptorFacts&) {}, L"ok"},
      {Rule::Lock, [](DescriptorFacts&) {}, L"ok"},
      {Rule::Inherited, [](DescriptorFacts&) {}, L"ok"},
      {Rule::File, [](DescriptorFacts& f) { f.owner = P::LocalSystem; }, L"ok"},
      {Rule::File, [](DescriptorFacts& f) { f.principals_known = false; }, L"Yerleşik güvenlik kimlikleri hazırlanamadı."},
      {Rule::File, [](DescriptorFacts& f) { f.owner = P::Users; }, owner},
      {Rule::File, [](DescriptorFacts& f) { f.control_read = false; }, unprotected},
      {Rule::File, [](DescriptorFacts& f) { f.dacl_protected = false; }, unprotected},
      {Rule::File, [](DescriptorFacts& f) { f.dacl_present = false; }, unprotected},
      {Rule::File, [](DescriptorFacts& f) { f.ace_count_read = false; }, not_three},
      {Rule::File, [](DescriptorFacts& f) { f.ace_count = 4; }, not_three},
      {Rule::File, [](DescriptorFacts& f) { f.aces[1].readable = false; }, L"Güvenli nesnenin izin kaydı okunamadı."},
      {Rule::File, [](DescriptorFacts& f) { f.aces[0].type = 1; }, unexpected},
      {Rule::File, [](DescriptorFacts& f) { f.aces[2].flags = 0x03; }, unexpected},
      {Rule::Folder, [](DescriptorFacts& f) { f.aces[2].flags = 0x00; }, unexpected},
      {Rule::File, [](DescriptorFacts& f) { f.aces[2].mask = 0x1201BF; }, extra},  // Users may write
      {Rule::File, [](DescriptorFacts& f) { f.aces[1].principal = P::LocalSystem; }, extra},
      {Rule::Lock, [](DescriptorFacts& f) { f.owner = P::AuthenticatedUsers; }, lock_untrusted},
      {Rule::Lock, [](DescriptorFacts& f) { f.dacl_protected = false; }, lock_untrusted},
      {Rule::Lock, [](DescriptorFacts& f) { f.ace_count = 2; }, lock_untrusted},
      {Rule::Lock, [](DescriptorFacts& f) { f.aces[0].readable = false; }, L"Kurulum kilidinin izin kaydı okunamadı."},
      {Rule::Lock, [](DescriptorFacts& f) { f.aces[1].flags = 0x02; }, L"Kurulum kilidinde beklenmeyen bir izin kaydı var."},
      {Rule::Lock, [](DescriptorFacts& f) { f.aces[2].mask = 0x10000000; },
       L"Kurulum kilidinde fazla veya beklenmeyen bir izin var."},
      {Rule::Inherited, [](DescriptorFacts& f) { f.owner = P::LocalSystem; },
       L"Kurulan dosyanın sahibi Administrators değil."},
      {Rule::Inherited, [](DescriptorFacts& f) { f.dacl_protected = true; }, not_inherited},
      {Rule::Inherited, [](DescriptorFacts& f) { f.ace_count = 0; f.aces.clear(); }, not_inherited},
      {Rule::Inherited, [](DescriptorFacts& f) { f.aces[2].flags = 0x03; },
       L"Kurulan dosyada hedef klasörden devralınmamış bir izin kaydı var."},
  };
  int index = 0;
  for (const auto& row : rows) EXPECT_EQ(Verdict(row.rule, row.change), row.verdict) << "row " << index++;
}

}  // namespace
}  // namespace tavlun
