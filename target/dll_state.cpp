#include "target/dll_state.h"

#include <initializer_list>

#include "core/text.h"

namespace tavlun {
namespace {

std::vector<std::wstring> LabelsOf(const std::vector<TargetFinding>& findings,
                                   std::initializer_list<TargetVerdict> verdicts) {
  std::vector<std::wstring> labels;
  for (const TargetFinding& finding : findings) {
    for (TargetVerdict verdict : verdicts) {
      if (finding.verdict == verdict) labels.push_back(finding.label);
    }
  }
  return labels;
}

std::wstring JoinLabels(const std::vector<std::wstring>& labels) {
  std::wstring text;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    if (i > 0) text += i + 1 == labels.size() ? L" ve " : L", ";
    text += labels[i];
  }
  return text;
}

// "32-bit hedefindeki <qualifier>dosya" or "32-bit ve 64-bit hedeflerindeki <qualifier>dosyalar".
std::wstring FilesAt(const std::vector<std::wstring>& labels, const wchar_t* qualifier) {
  const bool plural = labels.size() > 1;
  return JoinLabels(labels) + (plural ? L" hedeflerindeki " : L" hedefindeki ") + qualifier +
         (plural ? L"dosyalar" : L"dosya");
}

// "; imzası geçerli: S" for one kept file, or one such part per kept file led by its label; empty when no kept file
// was checked. A kept file is never kept silently: what its signature says goes with the word "kept".
std::wstring KeptSignatures(const std::vector<TargetFinding>& findings) {
  std::vector<const TargetFinding*> kept;
  for (const TargetFinding& finding : findings) {
    const bool keeps = finding.verdict == TargetVerdict::SameVersion || finding.verdict == TargetVerdict::Newer;
    if (keeps && finding.signature_checked) kept.push_back(&finding);
  }
  std::wstring text;
  for (const TargetFinding* finding : kept) {
    text += L"; ";
    if (kept.size() > 1) text += finding->label + L" dosyasının ";
    text += KeptFileSignatureClause(finding->signature);
  }
  return text;
}

// Ends a sentence with a period, unless it ends in one already (a signer "Örnek A.Ş." at its end).
std::wstring WithPeriod(std::wstring sentence) {
  if (sentence.empty() || sentence.back() != L'.') sentence += L'.';
  return sentence;
}

// One sentence, with a leading blank, for each group of targets the installation replaces or keeps.
std::wstring WhatHappensToTheOthers(const std::vector<TargetFinding>& findings) {
  std::wstring text;
  const std::vector<std::wstring> other_machine = LabelsOf(findings, {TargetVerdict::OtherMachine});
  if (!other_machine.empty()) {
    text += L" " + FilesAt(other_machine, L"") + L" başka bir işlemci türü için derlenmiş; " +
            (other_machine.size() > 1 ? L"bildirdikleri" : L"bildirdiği") +
            L" sürüm ne olursa olsun önce yedeklenip değiştirilecek.";
  }
  const std::vector<std::wstring> replaceable = LabelsOf(findings, {TargetVerdict::Replaceable});
  if (!replaceable.empty()) {
    text += L" " + FilesAt(replaceable, L"") + L" paket sürümünden eski veya " +
            (replaceable.size() > 1 ? L"sürümleri" : L"sürümü") + L" okunamıyor; önce yedeklenip değiştirilecek.";
  }
  const std::vector<std::wstring> identical = LabelsOf(findings, {TargetVerdict::Identical});
  if (!identical.empty()) text += L" " + FilesAt(identical, L"doğru ") + L" korunacak.";
  const std::vector<std::wstring> kept = LabelsOf(findings, {TargetVerdict::SameVersion, TargetVerdict::Newer});
  if (!kept.empty()) {
    text += L" " + FilesAt(kept, L"aynı veya daha yeni sürüm bildiren ") +
            WithPeriod(L" korunacak" + KeptSignatures(findings));
  }
  return text;
}

// A file that declares the package's own version with other bytes is kept, so say that it is not repaired.
std::wstring SameVersionNote(const std::vector<TargetFinding>& findings) {
  const std::vector<std::wstring> same = LabelsOf(findings, {TargetVerdict::SameVersion});
  if (same.empty()) return std::wstring();
  return L" " + FilesAt(same, L"") +
         L" paketle aynı sürümü bildiriyor ancak içeriği farklı; bozuk veya değiştirilmiş bir kopya olabilir. Bu "
         L"araç onu onarmaz: resmî AKİS paketini Kamu SM sürücü hizmetinden alıp kurun.";
}

}  // namespace

TargetCounts CountTargets(const std::vector<TargetFinding>& findings) {
  TargetCounts counts;
  for (const TargetFinding& finding : findings) {
    switch (finding.verdict) {
      case TargetVerdict::Identical:
        ++counts.identical;
        break;
      case TargetVerdict::SameVersion:
      case TargetVerdict::Newer:
        ++counts.same_or_newer;
        break;
      case TargetVerdict::OtherMachine:
      case TargetVerdict::Replaceable:
        ++counts.replaceable;
        break;
      case TargetVerdict::Missing:
        ++counts.missing;
        break;
    }
  }
  return counts;
}

void FoldTargets(const std::vector<TargetFinding>& findings, DllState* state) {
  const TargetCounts counts = CountTargets(findings);
  state->package_verified = false;
  state->runtime_confirmed = false;
  state->install_offered = counts.missing > 0 || counts.replaceable > 0;
  if (counts.identical == findings.size()) {
    state->kind = DllStateKind::MatchesPackage;
    state->package_verified = true;
    state->runtime_confirmed = true;
    state->message =
        PayloadProductText() + L" dosyalarının 32-bit ve gerekli olduğunda 64-bit kopyaları doğru hedeflerde ve "
                               L"doğrulanmış durumda.";
  } else if (counts.missing > 0) {
    state->kind = DllStateKind::Missing;
    state->message = DecimalText(static_cast<std::uint64_t>(counts.missing)) +
                     L" AKİS mimari dosyası doğru sistem dizininde bulunmuyor (" +
                     JoinLabels(LabelsOf(findings, {TargetVerdict::Missing})) + L"); kurulum " +
                     (counts.missing > 1 ? L"eksik dosyaları" : L"eksik dosyayı") + L" ekleyecek." +
                     WhatHappensToTheOthers(findings) + SameVersionNote(findings);
  } else if (counts.replaceable > 0) {
    state->kind = DllStateKind::DifferentFile;
    // Every differing file counts, the kept ones too; the sentences after it say which are replaced.
    const std::vector<std::wstring> differing = LabelsOf(
        findings, {TargetVerdict::OtherMachine, TargetVerdict::Replaceable, TargetVerdict::SameVersion,
                   TargetVerdict::Newer});
    state->message = DecimalText(static_cast<std::uint64_t>(differing.size())) + L" hedefte (" +
                     JoinLabels(differing) + L") paketle eşleşmeyen AKİS DLL bulundu." +
                     WhatHappensToTheOthers(findings) + SameVersionNote(findings);
  } else {
    state->kind = DllStateKind::SameOrNewerKept;
    state->install_offered = false;
    if (LabelsOf(findings, {TargetVerdict::SameVersion}).empty()) {
      state->message =
          WithPeriod(L"Paket sürümünden daha yeni bir AKİS DLL bulundu; güvenlik için değiştirilmedi" +
                     KeptSignatures(findings));
    } else {
      state->message =
          WithPeriod(L"Paket sürümüyle aynı veya daha yeni sürüm bildiren farklı bir AKİS DLL bulundu; güvenlik için "
                     L"değiştirilmedi" +
                     KeptSignatures(findings)) +
          SameVersionNote(findings);
    }
  }
}

TargetVerdict ClassifyDifferentFile(bool machine_read, std::uint16_t machine, bool version_read,
                                    PackedVersion version, const PayloadDescriptor& build) {
  if (machine_read && machine != build.machine) return TargetVerdict::OtherMachine;
  if (!IsSameOrNewerThanBuild(machine_read, machine, version_read, version, build)) return TargetVerdict::Replaceable;
  return version == kPayloadVersion ? TargetVerdict::SameVersion : TargetVerdict::Newer;
}

bool IsSameOrNewerThanBuild(bool machine_read, std::uint16_t machine, bool version_read, PackedVersion version,
                            const PayloadDescriptor& build) {
  return machine_read && machine == build.machine && version_read && version >= kPayloadVersion;
}

bool IsAccessProblem(std::uint32_t code) {
  return code == 5 /* ERROR_ACCESS_DENIED */ || code == 32 /* ERROR_SHARING_VIOLATION */ ||
         code == 33 /* ERROR_LOCK_VIOLATION */;
}

}  // namespace tavlun
