// The two embedded akisp11.dll builds: their constant descriptions and the verified in-memory view.
#pragma once

#include <cstdint>
#include <string>

namespace tavlun {

enum class PayloadKind : std::int32_t { Build32 = 0, Build64 = 1 };

using PackedVersion = std::uint64_t;  // (file-version MS << 32) | LS

struct PayloadDescriptor {
  PayloadKind kind;
  int resource_id;            // RT_RCDATA
  std::uint16_t machine;      // PE file-header machine
  std::uint16_t magic;        // optional-header magic
  std::uint32_t size;         // exact size in bytes
  const wchar_t* expected_sha256;
  const wchar_t* label;       // "32-bit" / "64-bit"
};

// 3.4.2.0: MS 0x30004, LS 0x20000.
inline constexpr PackedVersion kPayloadVersion = (PackedVersion{0x30004} << 32) | 0x20000;
inline constexpr wchar_t kPayloadVersionText[] = L"3.4.2";
// "AKİS 3.4.2": the package as every user text names it.
inline std::wstring PayloadProductText() { return std::wstring(L"AKİS ") + kPayloadVersionText; }

// Process-wide constants, in the order Build32, Build64. Size and digest come from the embedded files
// (measured at build time; a vendor build checks them against the published values).
const PayloadDescriptor& PayloadBuild32();
const PayloadDescriptor& PayloadBuild64();
// Ends the process on a value outside PayloadKind rather than pick a build for it.
const PayloadDescriptor& PayloadFor(PayloadKind kind);

struct LoadedPayload {
  const std::uint8_t* data = nullptr;  // inside the program's own image: never copied or freed
  std::uint32_t size = 0;
  std::wstring sha256;
  PackedVersion version = 0;
  std::uint16_t machine = 0;
};

// Finds the resource, checks size, DLL structure and SHA-256; nothing is filled on failure.
bool LoadPayload(const PayloadDescriptor& descriptor, LoadedPayload* payload, std::wstring* message);

// The structure checks of LoadPayload on any block (exposed for tests).
bool IsPlausiblePayloadDll(const std::uint8_t* data, std::uint32_t size, std::uint16_t machine, std::uint16_t magic);

// LoadPayload's checks on a block that is not the embedded resource (tests: altered copies).
bool VerifyPayloadBlock(const PayloadDescriptor& descriptor, const std::uint8_t* data, std::uint32_t size,
                        LoadedPayload* payload, std::wstring* message);

}  // namespace tavlun
