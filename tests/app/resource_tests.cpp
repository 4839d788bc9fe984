// The built program seen from outside: PE header, manifest, version resource, icons and the embedded payloads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "core/system_dlls.h"
#include "core/text.h"
#include "core/unique_handle.h"
#include "program_version.h"
#include "resources/resource_ids.h"
#include "tests/app/pe_image_reader.h"
#include "tests/support/test_support.h"

namespace tavlun {
namespace {

using namespace testing_support;

constexpr WORD kLanguageEnUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);  // 1033

std::wstring BuildDir() {
  const std::wstring program = ProgramPath();
  return program.substr(0, program.find_last_of(L'\\'));
}

// The program loaded as a resource file: nothing of it runs.
class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.reset(::LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(module_) << "cannot open " << Utf8(ProgramPath()) << " as a data file";
  }

  std::vector<std::uint8_t> Resource(const wchar_t* type, const wchar_t* name, WORD language) const {
    std::vector<std::uint8_t> bytes;
    HRSRC found = ::FindResourceExW(module_.get(), type, name, language);
    if (found == nullptr) return bytes;
    const DWORD size = ::SizeofResource(module_.get(), found);
    const auto* data = static_cast<const std::uint8_t*>(::LockResource(::LoadResource(module_.get(), found)));
    if (data != nullptr) bytes.assign(data, data + size);
    return bytes;
  }

  std::vector<WORD> Languages(const wchar_t* type, const wchar_t* name) const {
    std::vector<WORD> languages;
    ::EnumResourceLanguagesW(module_.get(), type, name, &AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
  }

  UniqueModule module_;

 private:
  static BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
    return TRUE;
  }
};

TEST(ProgramImage, IsA32BitGuiExecutable) {
  const PeImageFacts facts = ReadPeImage(ReadBytes(ProgramPath()));
  ASSERT_TRUE(facts.valid) << facts.error;
  EXPECT_EQ(facts.machine, IMAGE_FILE_MACHINE_I386);
  EXPECT_EQ(facts.optional_magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
  EXPECT_EQ(facts.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  EXPECT_NE(facts.characteristics & IMAGE_FILE_EXECUTABLE_IMAGE, 0);
  EXPECT_EQ(facts.characteristics & IMAGE_FILE_DLL, 0);
  // Address-space randomisation and no-execute data: the elevated copy runs as administrator.
  EXPECT_NE(facts.dll_characteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, 0);
  EXPECT_NE(facts.dll_characteristics & IMAGE_DLLCHARACTERISTICS_NX_COMPAT, 0);
  // Terminal Server aware: on a Session Host the Windows folder stays the shared one, not a per-user copy.
  EXPECT_NE(facts.dll_characteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE, 0);
  // DWARF unwinding registers no SEH handlers; the flag makes Windows refuse any handler found on the stack.
  EXPECT_NE(facts.dll_characteristics & IMAGE_DLLCHARACTERISTICS_NO_SEH, 0);
}

// The stack protector's runtime is the program's own (core/stack_guard_win.c), linked statically: its guard's
// initial value is in the image, and GCC's libssp guard set-up is not, which would load a cryptographic provider
// and its DLLs with the ordinary search order before the entry restricts it. No libssp DLL is imported either.
// A static member is linked only when protected code refers to it, so this also shows that the guard is in use.
TEST(ProgramImage, CarriesItsOwnStackGuardStatically) {
  const std::vector<std::uint8_t> program = ReadBytes(ProgramPath());
  const PeImageFacts facts = ReadPeImage(program);
  ASSERT_TRUE(facts.valid) << facts.error;
  const auto contains = [&](const std::string& text) {
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    return std::search(program.begin(), program.end(), bytes.begin(), bytes.end()) != program.end();
  };
  EXPECT_TRUE(contains(std::string("\x4E\xE6\x40\xBB", 4))) << "the guard's initial value 0xBB40E64E";
  EXPECT_FALSE(contains("*** stack smashing detected ***")) << "libssp's guard runtime was linked";
  for (const std::string& name : facts.imported_dlls) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(lower.find("ssp"), std::string::npos) << name;
  }
}

TEST(StackGuard, AnOverrunEndsTheProcessAtOnce) {
  const ProcessResult fitting = RunProcess(ToolPath(L"stack_overrun.exe"), L"");
  ASSERT_TRUE(fitting.started && !fitting.timed_out);
  EXPECT_EQ(fitting.exit_code, 0u);
  const ProcessResult overrun = RunProcess(ToolPath(L"stack_overrun.exe"), L"overrun");
  ASSERT_TRUE(overrun.started && !overrun.timed_out);
  EXPECT_EQ(overrun.exit_code, 0xC0000409u) << "STATUS_STACK_BUFFER_OVERRUN";
}

// --- manifest ------------------------------------------------------------------------------------------------

// The `index`-th start tag of `element` (the text between "<element" and its ">"), or empty.
std::string StartTag(const std::string& xml, const std::string& element, int index = 0) {
  std::size_t at = 0;
  for (;;) {
    at = xml.find("<" + element, at);
    if (at == std::string::npos) return std::string();
    const char next = at + element.size() + 1 < xml.size() ? xml[at + element.size() + 1] : '\0';
    if (next == ' ' || next == '\n' || next == '\r' || next == '\t' || next == '/' || next == '>') {
      if (index-- == 0) return xml.substr(at, xml.find('>', at) - at + 1);
    }
    at += element.size() + 1;
  }
}

int CountTags(const std::string& xml, const std::string& element) {
  int count = 0;
  while (!StartTag(xml, element, count).empty()) ++count;
  return count;
}

// The value of attribute `name` in a start tag; attributes may follow blanks or line breaks.
std::string Attribute(const std::string& tag, const std::string& name) {
  const std::string key = name + "=\"";
  for (std::size_t at = tag.find(key); at != std::string::npos; at = tag.find(key, at + 1)) {
    if (at > 0 && isspace(static_cast<unsigned char>(tag[at - 1]))) {
      const std::size_t value = at + key.size();
      return tag.substr(value, tag.find('"', value) - value);
    }
  }
  return "<missing>";
}

std::string ElementText(const std::string& xml, const std::string& element) {
  const std::string tag = StartTag(xml, element);
  if (tag.empty()) return "<missing>";
  const std::size_t start = xml.find(tag) + tag.size();
  const std::size_t end = xml.find("</" + element + ">", start);
  return end == std::string::npos ? "<missing>" : xml.substr(start, end - start);
}

TEST_F(ProgramResources, ManifestStatesIdentityRightsDpiAndSupportedSystems) {
  EXPECT_EQ(Languages(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1)).size(), 1u) << "exactly one manifest";
  const std::vector<std::uint8_t> bytes = Resource(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1), kLanguageEnUs);
  ASSERT_FALSE(bytes.empty()) << "no manifest (type 24, id 1, language 1033)";
  const std::string xml(bytes.begin(), bytes.end());

  const std::string identity = StartTag(xml, "assemblyIdentity", 0);
  EXPECT_EQ(Attribute(identity, "name"), "Tavlun.Yardimcisi");
  EXPECT_EQ(Attribute(identity, "version"), Utf8(kProgramVersion));
  EXPECT_EQ(Attribute(identity, "processorArchitecture"), "x86");
  EXPECT_EQ(Attribute(identity, "type"), "win32");
  EXPECT_EQ(ElementText(xml, "description"), "Tavlun Yard\xC4\xB1mc\xC4\xB1s\xC4\xB1");

  const std::string dependency = ElementText(xml, "dependentAssembly");
  const std::string controls = StartTag(dependency, "assemblyIdentity");
  EXPECT_EQ(Attribute(controls, "name"), "Microsoft.Windows.Common-Controls");
  EXPECT_EQ(Attribute(controls, "version"), "6.0.0.0");
  EXPECT_EQ(Attribute(controls, "type"), "win32");
  EXPECT_EQ(Attribute(controls, "publicKeyToken"), "6595b64144ccf1df");

  const std::string level = StartTag(xml, "requestedExecutionLevel");
  EXPECT_EQ(Attribute(level, "level"), "asInvoker");
  EXPECT_EQ(Attribute(level, "uiAccess"), "false");

  EXPECT_EQ(ElementText(xml, "dpiAware"), "true/pm");
  EXPECT_EQ(ElementText(xml, "dpiAwareness"), "PerMonitorV2,PerMonitor");
  EXPECT_EQ(ElementText(xml, "longPathAware"), "true");

  std::set<std::string> systems;
  for (int i = 0; i < CountTags(xml, "supportedOS"); ++i) systems.insert(Attribute(StartTag(xml, "supportedOS", i), "Id"));
  const std::set<std::string> expected = {
      "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{4f476546-937d-4f0f-a889-3b4e2b6c9d83}",
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"};
  EXPECT_EQ(systems, expected);
  EXPECT_EQ(CountTags(xml, "supportedOS"), 6);
}

TEST(ProgramManifest, TheSystemAcceptsIt) {
  // The loader's own parser: a malformed manifest makes the program fail to start on Windows.
  const std::wstring program = ProgramPath();
  ACTCTXW context{};
  context.cbSize = sizeof(context);
  context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.lpSource = program.c_str();
  context.lpResourceName = MAKEINTRESOURCEW(1);
  HANDLE activation = ::CreateActCtxW(&context);
  ASSERT_NE(activation, INVALID_HANDLE_VALUE) << "error " << ::GetLastError();
  ::ReleaseActCtx(activation);
}

// --- version resource ----------------------------------------------------------------------------------------

TEST(ProgramVersion, StatesVersionNameAndDescription) {
  const auto& version = sysdll::Version();
  ASSERT_TRUE(version.loaded);
  const std::wstring program = ProgramPath();
  DWORD ignored = 0;
  const DWORD size = version.GetFileVersionInfoSizeW(program.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<std::uint8_t> block(size);
  ASSERT_TRUE(version.GetFileVersionInfoW(program.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixed_size = 0;
  ASSERT_TRUE(version.VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixed_size));
  ASSERT_GE(fixed_size, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  // The numbers and the texts are one version.
  const std::wstring numbers = DecimalText(HIWORD(fixed->dwFileVersionMS)) + L"." +
                               DecimalText(LOWORD(fixed->dwFileVersionMS)) + L"." +
                               DecimalText(HIWORD(fixed->dwFileVersionLS)) + L"." +
                               DecimalText(LOWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(numbers, kProgramVersion);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  WORD* translation = nullptr;
  UINT translation_size = 0;
  ASSERT_TRUE(version.VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                                     reinterpret_cast<void**>(&translation), &translation_size));
  ASSERT_GE(translation_size, 4u);
  wchar_t prefix[64];
  swprintf(prefix, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
  auto text = [&](const wchar_t* key) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = prefix + std::wstring(key);
    if (!version.VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
        value == nullptr) {
      return std::wstring(L"<missing>");
    }
    std::wstring result(value, length);
    while (!result.empty() && result.back() == L'\0') result.pop_back();
    return result;
  };
  EXPECT_EQ(text(L"FileVersion"), kProgramVersion);
  EXPECT_EQ(text(L"ProductVersion"), kProgramVersion);
  EXPECT_EQ(text(L"ProductName"), L"Tavlun Yardımcısı");
  EXPECT_EQ(text(L"FileDescription"), L"Tavlun Destek ve Kurulum Aracı");
  EXPECT_EQ(text(L"OriginalFilename"), L"TavlunYardimcisi.exe");
}

// --- icons ---------------------------------------------------------------------------------------------------

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width;
  BYTE height;
  BYTE colour_count;
  BYTE reserved;
  WORD planes;
  WORD bit_count;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST_F(ProgramResources, GroupIconsCarryEverySizeAndEveryImageDecodes) {
  const std::set<int> expected_sizes = {16, 20, 24, 32, 40, 48, 64, 256};
  for (int group : {IDI_APP_ICON, IDI_HEADER_ICON}) {
    SCOPED_TRACE("group icon " + std::to_string(group));
    const std::vector<std::uint8_t> directory = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(group), kLanguageEnUs);
    ASSERT_GE(directory.size(), 6u);
    const WORD count = static_cast<WORD>(directory[4] | (directory[5] << 8));
    ASSERT_EQ(directory.size(), 6u + count * sizeof(GroupIconEntry));
    std::set<int> sizes;
    for (WORD i = 0; i < count; ++i) {
      GroupIconEntry entry;
      std::copy_n(directory.data() + 6 + i * sizeof(GroupIconEntry), sizeof(entry), reinterpret_cast<std::uint8_t*>(&entry));
      const int size = entry.width == 0 ? 256 : entry.width;
      sizes.insert(size);
      EXPECT_EQ(entry.bit_count, 32) << size;
      const std::vector<std::uint8_t> image = Resource(RT_ICON, MAKEINTRESOURCEW(entry.id), kLanguageEnUs);
      ASSERT_EQ(image.size(), entry.bytes) << size;
      // The system decodes each image (bitmap or PNG) at its own size.
      UniqueHicon icon(::CreateIconFromResourceEx(const_cast<BYTE*>(image.data()), static_cast<DWORD>(image.size()),
                                                  TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR));
      EXPECT_TRUE(icon) << "image of " << size << " pixels does not decode";
    }
    EXPECT_EQ(sizes, expected_sizes);
  }
}

// --- payloads ------------------------------------------------------------------------------------------------

TEST_F(ProgramResources, PayloadsAreTheBuiltDllsByteForByteInLanguage1033Only) {
  const struct {
    int id;
    const wchar_t* file;
  } payloads[] = {{IDR_AKISP11_32, L"akisp11_32.dll"}, {IDR_AKISP11_64, L"akisp11_64.dll"}};
  for (const auto& payload : payloads) {
    SCOPED_TRACE(Utf8(payload.file));
    const std::vector<std::uint8_t> built = ReadBytes(JoinPath(JoinPath(BuildDir(), L"payload"), payload.file));
    ASSERT_FALSE(built.empty());
    EXPECT_EQ(Languages(RT_RCDATA, MAKEINTRESOURCEW(payload.id)), std::vector<WORD>{kLanguageEnUs});
    const std::vector<std::uint8_t> embedded = Resource(RT_RCDATA, MAKEINTRESOURCEW(payload.id), kLanguageEnUs);
    EXPECT_EQ(embedded.size(), built.size());
    EXPECT_TRUE(embedded == built) << "RCDATA " << payload.id << " differs from the built file";
  }
}

}  // namespace
}  // namespace tavlun
