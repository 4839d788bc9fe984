#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/text.h"
#include "core/unique_handle.h"
#include "integrity/payload.h"
#include "integrity/pe_file.h"
#include "integrity/pe_headers.h"
#include "resources/resource_ids.h"
#include "tests/integrity/pe_image.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using testing_support::EmbeddedPayload;
using testing_support::MakePeImage;
using testing_support::PeImage;
using testing_support::ScratchDir;
using testing_support::TestBinDir;
using testing_support::Utf8;
using testing_support::WriteBytes;

// Bytes placed so that the first byte after them is an inaccessible page: any read past the end faults.
class GuardedBytes {
 public:
  explicit GuardedBytes(const std::uint8_t* data, std::size_t size) {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    const std::size_t page = info.dwPageSize;
    const std::size_t usable = (size + page - 1) / page * page;
    base_ = static_cast<std::uint8_t*>(::VirtualAlloc(nullptr, usable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    guarded_ = base_ != nullptr && ::VirtualProtect(base_ + usable, page, PAGE_NOACCESS, &old) != FALSE;
    data_ = base_ + usable - size;
    if (size != 0) std::memcpy(data_, data, size);
  }
  ~GuardedBytes() { ::VirtualFree(base_, 0, MEM_RELEASE); }
  GuardedBytes(const GuardedBytes&) = delete;
  GuardedBytes& operator=(const GuardedBytes&) = delete;
  const std::uint8_t* data() const { return data_; }
  bool guarded() const { return guarded_; }

 private:
  bool guarded_ = false;
  std::uint8_t* base_ = nullptr;
  std::uint8_t* data_ = nullptr;
};

std::wstring TestDll(const std::wstring& name) { return JoinPath(JoinPath(TestBinDir(), L"dlls"), name); }

std::wstring StandinPayloadFile(const wchar_t* name) {
  const std::wstring bin = TestBinDir();
  return JoinPath(JoinPath(bin.substr(0, bin.find_last_of(L'\\')), L"payload"), name);
}

// Every prefix of a real image, read with a fault right after its last byte: nothing is read past the block,
// and only the whole file validates.
void CheckEveryPrefix(const std::vector<std::uint8_t>& image, bool pe32plus) {
  ASSERT_GE(image.size(), 1024u);
  std::wstring name;
  std::wstring message;
  ASSERT_TRUE(ValidatePeHeaders(image.data(), image.size(), image.size(), true, &name, &message)) << Utf8(message);
  EXPECT_EQ(name, pe32plus ? L"x64" : L"x86");
  const std::uint16_t machine = pe32plus ? 0x8664 : 0x014C;
  const std::uint16_t magic = pe32plus ? 0x020B : 0x010B;
  std::size_t shortest_header_block = 0;
  for (std::size_t length = 0; length < image.size(); ++length) {
    GuardedBytes guarded(image.data(), length);
    ASSERT_TRUE(guarded.guarded());
    // As a file of that length: the sections no longer fit.
    EXPECT_FALSE(ValidatePeHeaders(guarded.data(), length, length, true, &name, &message)) << length;
    // As a short header block of the whole file: valid once the block holds all headers.
    const bool header_ok = ValidatePeHeaders(guarded.data(), length, image.size(), true, &name, &message);
    if (header_ok && shortest_header_block == 0) shortest_header_block = length;
    if (shortest_header_block != 0) {
      EXPECT_TRUE(header_ok) << length;
    }
    IsPlausiblePayloadDll(guarded.data(), static_cast<std::uint32_t>(length), machine, magic);
  }
  EXPECT_NE(shortest_header_block, 0u);
  EXPECT_LT(shortest_header_block, 1024u);
}

TEST(ValidatePeHeaders, EveryTruncatedPrefixOfThe32BitBuild) {
  CheckEveryPrefix(EmbeddedPayload(IDR_AKISP11_32), false);
}

TEST(ValidatePeHeaders, EveryTruncatedPrefixOfThe64BitBuild) {
  CheckEveryPrefix(EmbeddedPayload(IDR_AKISP11_64), true);
}

class InspectPeFileTest : public ::testing::Test {
 protected:
  std::wstring Inspect(const std::wstring& path, bool expect_dll, std::wstring* machine_name = nullptr) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return L"not opened";
    std::wstring name;
    std::wstring message;
    const bool ok = InspectPeFile(file.get(), expect_dll, &name, &message);
    if (machine_name != nullptr) *machine_name = name;
    return ok ? L"ok" : message;
  }
  std::wstring InspectBytes(const std::vector<std::uint8_t>& bytes, bool expect_dll) {
    const std::wstring path = dir_.Child(L"image" + DecimalText(static_cast<std::uint32_t>(++serial_)) + L".bin");
    if (!WriteBytes(path, bytes)) return L"not written";
    return Inspect(path, expect_dll);
  }
  ScratchDir dir_;
  int serial_ = 0;
};

TEST_F(InspectPeFileTest, FileSizeLimits) {
  EXPECT_EQ(InspectBytes({}, true), L"PE dosya boyutu belirlenen inceleme sınırının dışında");
  std::vector<std::uint8_t> small = MakePeImage(false, true).bytes;
  small.resize(63);
  EXPECT_EQ(InspectBytes(small, true), L"PE dosya boyutu belirlenen inceleme sınırının dışında");
}

TEST_F(InspectPeFileTest, DosHeaderWithoutUsableOffset) {
  std::vector<std::uint8_t> bytes(64, 0);
  bytes[0] = 'M';
  bytes[1] = 'Z';  // header offset 0
  EXPECT_EQ(InspectBytes(bytes, true), L"geçerli DOS/PE konumu yok");
  PeImage image = MakePeImage(false, true);
  image.Put32(60, 16777217);
  EXPECT_EQ(InspectBytes(image.bytes, true), L"geçerli DOS/PE konumu yok");
  // An offset within the limit but past the end of the file cannot be read in full.
  image = MakePeImage(false, true);
  image.Put32(60, 0x3F0);
  EXPECT_EQ(InspectBytes(image.bytes, true), L"PE başlıkları tam okunamadı");
}

TEST_F(InspectPeFileTest, FixedHeaderAndHeaderBlockLimits) {
  PeImage image = MakePeImage(false, true);
  image.bytes[image.nt] = 'N';
  EXPECT_EQ(InspectBytes(image.bytes, true), L"PE sabit başlığı yapısal olarak geçersiz");
  image = MakePeImage(false, true);
  image.SetSectionCount(0);
  EXPECT_EQ(InspectBytes(image.bytes, true), L"PE sabit başlığı yapısal olarak geçersiz");
  image = MakePeImage(false, true);
  image.SetOptionalSize(4097);
  EXPECT_EQ(InspectBytes(image.bytes, true), L"PE sabit başlığı yapısal olarak geçersiz");
  image = MakePeImage(false, true);
  image.SetSectionCount(96);
  EXPECT_EQ(InspectBytes(image.bytes, true), L"PE başlıkları dosya sınırlarının dışında");
  // The block is read in full and handed to the validation.
  image = MakePeImage(false, true);
  image.SetMachine(0x01C4);
  EXPECT_EQ(InspectBytes(image.bytes, true), L"PE makine türü tanınmıyor");
}

TEST_F(InspectPeFileTest, DllAndProgramFlag) {
  std::wstring name;
  EXPECT_EQ(Inspect(StandinPayloadFile(L"akisp11_32.dll"), true, &name), L"ok");
  EXPECT_EQ(name, L"x86");
  EXPECT_EQ(Inspect(StandinPayloadFile(L"akisp11_64.dll"), true, &name), L"ok");
  EXPECT_EQ(name, L"x64");
  EXPECT_EQ(Inspect(StandinPayloadFile(L"akisp11_32.dll"), false),
            L"PE yürütülebilir imgesi değil veya DLL olarak işaretli");
  EXPECT_EQ(Inspect(testing_support::ProgramPath(), true), L"PE yürütülebilir DLL imgesi değil");
  EXPECT_EQ(Inspect(testing_support::ProgramPath(), false, &name), L"ok");
  EXPECT_EQ(name, L"x86");
}

TEST_F(InspectPeFileTest, TruncatedCopiesOfARealDll) {
  const std::vector<std::uint8_t> image = EmbeddedPayload(IDR_AKISP11_64);
  ASSERT_FALSE(image.empty());
  for (std::size_t length : {std::size_t{64}, std::size_t{65}, std::size_t{200}, std::size_t{512}, image.size() - 1}) {
    const std::vector<std::uint8_t> prefix(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_NE(InspectBytes(prefix, true), L"ok") << length;
  }
  EXPECT_EQ(InspectBytes(image, true), L"ok");
}

TEST(FileVersion, TextsFromRealVersionResources) {
  EXPECT_EQ(FileVersionText(TestDll(L"akis_x86_3.4.1.0.dll")), L"3.4.1.0");
  EXPECT_EQ(FileVersionText(TestDll(L"akis_x64_3.4.2.7.dll")), L"3.4.2.7");
  EXPECT_EQ(FileVersionText(StandinPayloadFile(L"akisp11_64.dll")), L"3.4.2.0");
  EXPECT_EQ(FileVersionText(TestDll(L"akis_x64_noversion.dll")), L"bilinmiyor");
  EXPECT_EQ(FileVersionText(TestDll(L"absent.dll")), L"bilinmiyor");
}

TEST(FileVersion, ReadFileVersionPacksAndDropsZeroRevision) {
  PackedVersion version = 0;
  std::wstring text;
  ASSERT_TRUE(ReadFileVersion(StandinPayloadFile(L"akisp11_32.dll"), &version, &text));
  EXPECT_EQ(version, kPayloadVersion);
  EXPECT_EQ(text, L"3.4.2");
  ASSERT_TRUE(ReadFileVersion(TestDll(L"akis_x64_3.4.2.7.dll"), &version, &text));
  EXPECT_EQ(version, (PackedVersion{0x30004} << 32) | 0x20007);
  EXPECT_EQ(text, L"3.4.2.7");
  ASSERT_TRUE(ReadFileVersion(TestDll(L"akis_x64_3.5.0.0.dll"), &version, &text));
  EXPECT_EQ(text, L"3.5.0");
  EXPECT_GT(version, kPayloadVersion);
  ASSERT_TRUE(ReadFileVersion(TestDll(L"akis_x86_3.4.1.0.dll"), &version, &text));
  EXPECT_LT(version, kPayloadVersion);

  version = 42;
  text = L"untouched";
  EXPECT_FALSE(ReadFileVersion(TestDll(L"akis_x86_noversion.dll"), &version, &text));
  EXPECT_FALSE(ReadFileVersion(TestDll(L"absent.dll"), &version, &text));
  EXPECT_EQ(version, 42u);
  EXPECT_EQ(text, L"untouched");
}

TEST(ReadDllMachine, DllsOnlyWithTheirMachine) {
  std::uint16_t machine = 0;
  ASSERT_TRUE(ReadDllMachine(TestDll(L"akis_x86_3.4.2.0.dll"), &machine));
  EXPECT_EQ(machine, 0x014C);
  ASSERT_TRUE(ReadDllMachine(TestDll(L"akis_x64_3.4.2.0.dll"), &machine));
  EXPECT_EQ(machine, 0x8664);
  machine = 7;
  EXPECT_FALSE(ReadDllMachine(testing_support::ProgramPath(), &machine)) << "a program is not a DLL";
  EXPECT_FALSE(ReadDllMachine(TestDll(L"absent.dll"), &machine));
  ScratchDir dir;
  std::vector<std::uint8_t> truncated = EmbeddedPayload(IDR_AKISP11_32);
  truncated.resize(63);
  ASSERT_TRUE(WriteBytes(dir.Child(L"short.dll"), truncated));
  EXPECT_FALSE(ReadDllMachine(dir.Child(L"short.dll"), &machine));
  PeImage negative = MakePeImage(false, true);
  negative.Put32(60, 0xFFFFFF00u);
  ASSERT_TRUE(WriteBytes(dir.Child(L"negative.dll"), negative.bytes));
  EXPECT_FALSE(ReadDllMachine(dir.Child(L"negative.dll"), &machine));
  EXPECT_EQ(machine, 7);
}

}  // namespace
}  // namespace tavlun
