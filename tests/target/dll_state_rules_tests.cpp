// The DLL state's rules on what was found: folding the per-target verdicts into one state and message, and the
// version and machine decisions. Pure, also built natively under the sanitizers.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "core/windows_error.h"
#include "target/dll_state.h"

namespace tavlun {
namespace {

// The 64-bit build as the rules see it (machine and magic; size and digest play no part here).
constexpr PayloadDescriptor kBuild64{PayloadKind::Build64, 105, 0x8664, 0x20B, 0, L"", L"64-bit"};

using V = TargetVerdict;

DllState Fold(std::initializer_list<TargetFinding> findings) {
  DllState state;
  state.install_offered = true;  // FoldTargets decides it anew
  FoldTargets(findings, &state);
  return state;
}

TEST(FoldTargets, FirstMatchWins) {
  DllState state = Fold({{L"32-bit", V::Identical}, {L"64-bit", V::Identical}});
  EXPECT_EQ(state.kind, DllStateKind::MatchesPackage);
  EXPECT_TRUE(state.package_verified);
  EXPECT_TRUE(state.runtime_confirmed);
  EXPECT_FALSE(state.install_offered);
  EXPECT_EQ(state.message,
            PayloadProductText() + L" dosyalarının 32-bit ve gerekli olduğunda 64-bit kopyaları doğru hedeflerde ve doğrulanmış "
            L"durumda.");
  EXPECT_EQ(Fold({{L"32-bit", V::Identical}}).kind, DllStateKind::MatchesPackage);  // 32-bit Windows

  state = Fold({{L"32-bit", V::Identical}, {L"64-bit", V::Missing}});
  EXPECT_EQ(state.kind, DllStateKind::Missing);
  EXPECT_EQ(state.message, L"1 AKİS mimari dosyası doğru sistem dizininde bulunmuyor (64-bit); kurulum eksik dosyayı "
                           L"ekleyecek. 32-bit hedefindeki doğru dosya korunacak.");
  EXPECT_TRUE(state.install_offered);
  EXPECT_FALSE(state.package_verified);
  EXPECT_FALSE(state.runtime_confirmed);

  // Missing outranks replaceable, and the message names the file that will be replaced too.
  state = Fold({{L"32-bit", V::Replaceable}, {L"64-bit", V::Missing}});
  EXPECT_EQ(state.kind, DllStateKind::Missing);
  EXPECT_EQ(state.message, L"1 AKİS mimari dosyası doğru sistem dizininde bulunmuyor (64-bit); kurulum eksik dosyayı "
                           L"ekleyecek. 32-bit hedefindeki dosya paket sürümünden eski veya sürümü okunamıyor; önce "
                           L"yedeklenip değiştirilecek.");

  state = Fold({{L"32-bit", V::Replaceable}, {L"64-bit", V::Replaceable}});
  EXPECT_EQ(state.kind, DllStateKind::DifferentFile);
  EXPECT_EQ(state.message, L"2 hedefte (32-bit ve 64-bit) paketle eşleşmeyen AKİS DLL bulundu. 32-bit ve 64-bit "
                           L"hedeflerindeki dosyalar "
                           L"paket sürümünden eski veya sürümleri okunamıyor; önce yedeklenip değiştirilecek.");
  EXPECT_TRUE(state.install_offered);

  // Replaceable outranks same-or-newer; a file for the wrong processor is replaced whatever version it declares,
  // and the kept newer one is named as kept. Both differ from the package, and both are counted and named.
  state = Fold({{L"32-bit", V::Newer}, {L"64-bit", V::OtherMachine}});
  EXPECT_EQ(state.kind, DllStateKind::DifferentFile);
  EXPECT_EQ(state.message, L"2 hedefte (32-bit ve 64-bit) paketle eşleşmeyen AKİS DLL bulundu. 64-bit hedefindeki "
                           L"dosya başka bir "
                           L"işlemci türü için derlenmiş; bildirdiği sürüm ne olursa olsun önce yedeklenip "
                           L"değiştirilecek. 32-bit hedefindeki aynı veya daha yeni sürüm bildiren dosya korunacak.");

  state = Fold({{L"32-bit", V::Identical}, {L"64-bit", V::Newer}});
  EXPECT_EQ(state.kind, DllStateKind::SameOrNewerKept);
  EXPECT_EQ(state.message, L"Paket sürümünden daha yeni bir AKİS DLL bulundu; güvenlik için değiştirilmedi.");
  EXPECT_FALSE(state.install_offered);
  EXPECT_FALSE(state.package_verified);

  // An equal version is not called newer, and the user learns that this tool does not repair it.
  state = Fold({{L"32-bit", V::Identical}, {L"64-bit", V::SameVersion}});
  EXPECT_EQ(state.kind, DllStateKind::SameOrNewerKept);
  EXPECT_EQ(state.message, L"Paket sürümüyle aynı veya daha yeni sürüm bildiren farklı bir AKİS DLL bulundu; "
                           L"güvenlik için değiştirilmedi. 64-bit hedefindeki dosya paketle aynı sürümü bildiriyor "
                           L"ancak içeriği farklı; bozuk veya değiştirilmiş bir kopya olabilir. Bu araç onu onarmaz: "
                           L"resmî AKİS paketini Kamu SM sürücü hizmetinden alıp kurun.");
  EXPECT_FALSE(state.install_offered);
}

TEST(ClassifyDifferentFile, EqualNewerOtherMachineAndReplaceable) {
  const PayloadDescriptor& b64 = kBuild64;
  const PackedVersion v3500 = PackedVersion{0x30005} << 32;
  EXPECT_EQ(ClassifyDifferentFile(true, 0x8664, true, kPayloadVersion, b64), V::SameVersion);
  EXPECT_EQ(ClassifyDifferentFile(true, 0x8664, true, v3500, b64), V::Newer);
  EXPECT_EQ(ClassifyDifferentFile(true, 0x014C, true, v3500, b64), V::OtherMachine);
  EXPECT_EQ(ClassifyDifferentFile(false, 0, true, v3500, b64), V::Replaceable) << "not a DLL";
  EXPECT_EQ(ClassifyDifferentFile(true, 0x8664, false, 0, b64), V::Replaceable) << "no version";
}

TEST(IsSameOrNewerThanBuild, MachineAndVersionMustBothHold) {
  const PayloadDescriptor& b64 = kBuild64;
  const PackedVersion v3420 = kPayloadVersion;
  const PackedVersion v3427 = (PackedVersion{0x30004} << 32) | 0x20007;
  const PackedVersion v3410 = (PackedVersion{0x30004} << 32) | 0x10000;
  const PackedVersion v3500 = PackedVersion{0x30005} << 32;
  EXPECT_TRUE(IsSameOrNewerThanBuild(true, 0x8664, true, v3420, b64)) << "the same version counts";
  EXPECT_TRUE(IsSameOrNewerThanBuild(true, 0x8664, true, v3427, b64));
  EXPECT_TRUE(IsSameOrNewerThanBuild(true, 0x8664, true, v3500, b64));
  EXPECT_FALSE(IsSameOrNewerThanBuild(true, 0x8664, true, v3410, b64));
  EXPECT_FALSE(IsSameOrNewerThanBuild(true, 0x014C, true, v3500, b64)) << "other machine";
  EXPECT_FALSE(IsSameOrNewerThanBuild(false, 0x8664, true, v3500, b64)) << "not a DLL";
  EXPECT_FALSE(IsSameOrNewerThanBuild(true, 0x8664, false, v3500, b64)) << "no version";
  // One unsigned 64-bit comparison: a high build part does not outweigh a lower minor.
  EXPECT_FALSE(IsSameOrNewerThanBuild(true, 0x8664, true, (PackedVersion{0x30003} << 32) | 0xFFFF0000u, b64));
}

TEST(CheckTargetFileDecisions, AccessProblemsKeepTheInstallOffered) {
  EXPECT_TRUE(IsAccessProblem(5));
  EXPECT_TRUE(IsAccessProblem(32));
  EXPECT_TRUE(IsAccessProblem(33));
  EXPECT_FALSE(IsAccessProblem(kErrorNotRegularSingleLinkFile));
  EXPECT_FALSE(IsAccessProblem(1142));
  EXPECT_FALSE(IsAccessProblem(2));
  EXPECT_FALSE(IsAccessProblem(0));
}

}  // namespace
}  // namespace tavlun
