// The signature check of the files at the real targets, with DLLs signed at build time by a throwaway root
// (tests/tools/signed_akis) added to the machine root store for the test. Wine 8 checks the image digest but
// accepts any root and an expired signer: those cases skip there (their mapping: authenticode_tests.cpp).
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "core/unique_handle.h"
#include "integrity/authenticode.h"
#include "integrity/authenticode_win.h"
#include "target/dll_state.h"
#include "tests/support/planted_targets.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using namespace testing_support;

constexpr std::size_t k32 = kTarget32, k64 = kTarget64;
constexpr wchar_t kSigner[] = L"Tavlun Deneme İmzacısı A.Ş.";
constexpr wchar_t kNotValid[] = L"imzası yok/doğrulanamadı: resmî AKİS paketini Kamu SM sürücü hizmetinden alıp kurun";

std::wstring Signed(const wchar_t* name) { return JoinPath(JoinPath(TestBinDir(), L"signed"), name); }

bool RunningUnderWine() {
  return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The throwaway root in the machine's root store for the life of the fixture.
class TrustedTestRoot {
 public:
  TrustedTestRoot() {
    const std::vector<std::uint8_t> der = ReadBytes(Signed(L"trusted-root.cer"));
    store_ = ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    added_ = store_ != nullptr && !der.empty() &&
             ::CertAddEncodedCertificateToStore(store_, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                                CERT_STORE_ADD_NEW, &certificate_);
  }
  ~TrustedTestRoot() {
    if (certificate_ != nullptr) ::CertDeleteCertificateFromStore(certificate_);  // also frees the context
    if (store_ != nullptr) ::CertCloseStore(store_, 0);
  }
  bool added() const { return added_; }

 private:
  HCERTSTORE store_ = nullptr;
  PCCERT_CONTEXT certificate_ = nullptr;
  bool added_ = false;
};

class SignatureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(planted_.ready()) << "the x64 targets could not be prepared";
    ASSERT_FALSE(ReadBytes(Signed(L"x64-trusted.dll")).empty()) << "the signed test DLLs were not built";
    ASSERT_TRUE(root_.added()) << "the test root could not be added to the machine root store";
  }
  PlantedTargets planted_;
  TrustedTestRoot root_;
};

// The 64-bit target holds a newer (kept) file: validly signed, changed after signing, or unsigned; then the 32-bit
// one an older signed file of another size (replaced, its signature still reported). Decisions never move.
TEST_F(SignatureTest, KeptFilesSayWhatTheirSignatureIsAndNothingElseChanges) {
  ASSERT_TRUE(planted_.PlantEmbedded(k32));
  struct Case {
    const wchar_t* file;
    SignatureResult result;
    SignatureFault fault;
    std::wstring clause;
  };
  const Case cases[] = {
      {L"x64-trusted.dll", SignatureResult::Trusted, SignatureFault::None, std::wstring(L"imzası geçerli: ") + kSigner},
      {L"x64-changed.dll", SignatureResult::Untrusted, SignatureFault::BadDigest, kNotValid},
      {nullptr, SignatureResult::NotSigned, SignatureFault::None, kNotValid},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(planted_.PlantCopy(k64, c.file != nullptr ? Signed(c.file) : TestDll(L"akis_x64_3.5.0.0.dll")));
    const DllState state = AssessDllState();
    SCOPED_TRACE(c.file != nullptr ? Utf8(c.file) : "unsigned");
    EXPECT_EQ(state.kind, DllStateKind::SameOrNewerKept);
    EXPECT_FALSE(state.install_offered);
    const std::wstring end = c.clause.back() == L'.' ? L"" : L".";  // the signer's own period ends the sentence
    EXPECT_EQ(state.message,
              L"Paket sürümünden daha yeni bir AKİS DLL bulundu; güvenlik için değiştirilmedi; " + c.clause + end);
    ASSERT_EQ(state.found_files.size(), 2u);
    EXPECT_TRUE(state.found_files[0].identical);
    const FoundFileSignature& found = state.found_files[1];
    EXPECT_EQ(found.label, L"64-bit");
    EXPECT_FALSE(found.identical);
    EXPECT_EQ(found.check.result, c.result) << " code " << std::hex << found.check.code;
    EXPECT_EQ(found.check.fault, c.fault);
    if (c.result != SignatureResult::NotSigned) {
      EXPECT_EQ(found.check.signer, kSigner);
      EXPECT_EQ(found.check.signing_time.size(), 20u);
    }
  }

  // Not hashed (its size differs from the build's), but its signature is read.
  ASSERT_NE(ReadBytes(Signed(L"x86-trusted.dll")).size(), ReadBytes(planted_.Path(k32)).size());
  ASSERT_TRUE(planted_.PlantCopy(k32, Signed(L"x86-trusted.dll")));
  ASSERT_TRUE(planted_.PlantCopy(k64, Signed(L"x64-trusted.dll")));
  const DllState state = AssessDllState();
  EXPECT_EQ(state.kind, DllStateKind::DifferentFile);
  EXPECT_TRUE(state.install_offered);
  EXPECT_NE(state.message.find(L"aynı veya daha yeni sürüm bildiren dosya korunacak; imzası geçerli: " +
                               std::wstring(kSigner)),
            std::wstring::npos)
      << Utf8(state.message);
  ASSERT_EQ(state.found_files.size(), 2u);
  EXPECT_EQ(state.found_files[0].check.result, SignatureResult::Trusted);
  EXPECT_EQ(state.found_files[0].check.signer, kSigner);
}

// Real Windows refuses a chain ending in a root nobody trusts, and an expired signer without a time stamp.
TEST_F(SignatureTest, UnknownRootAndExpiredSignerAreRefused) {
  if (RunningUnderWine()) {
    GTEST_SKIP() << "Wine 8's WinVerifyTrust accepts a chain ending in any self-signed root and ignores the "
                    "signer's validity period; ClassifyTrustResult's mapping of both results is tested instead";
  }
  const struct {
    const wchar_t* file;
    SignatureFault fault;
  } cases[] = {{L"x64-untrusted.dll", SignatureFault::UnknownRoot}, {L"x64-expired.dll", SignatureFault::Expired}};
  for (const auto& c : cases) {
    ASSERT_TRUE(planted_.PlantCopy(k64, Signed(c.file)));
    const DllState state = AssessDllState();
    SCOPED_TRACE(Utf8(c.file));
    ASSERT_EQ(state.found_files.size(), 1u);
    EXPECT_EQ(state.found_files[0].check.result, SignatureResult::Untrusted);
    EXPECT_EQ(state.found_files[0].check.fault, c.fault);
    EXPECT_NE(state.message.find(kNotValid), std::wstring::npos) << Utf8(state.message);
  }
}

// A file one byte past the size limit is not handed to WinVerifyTrust (which would hash all of it).
TEST(SignatureLimit, FilesOverTheLimitAreNotExamined) {
  ScratchDir scratch(L"tavlun-signature");
  const std::wstring path = scratch.Child(L"akisp11.dll");
  ASSERT_TRUE(WriteBytes(path, ReadBytes(Signed(L"x64-trusted.dll"))));
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  EXPECT_EQ(CheckFileSignature(file.get(), path).result, SignatureResult::Trusted);
  LARGE_INTEGER size;
  size.QuadPart = static_cast<LONGLONG>(kMaxSignatureCheckedFileBytes) + 1;
  ASSERT_TRUE(::SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.get()));
  const SignatureCheck check = CheckFileSignature(file.get(), path);
  EXPECT_EQ(check.result, SignatureResult::NotChecked);
  EXPECT_EQ(check.detail, L"dosya boyutu inceleme sınırının dışında");
}

}  // namespace
}  // namespace tavlun
