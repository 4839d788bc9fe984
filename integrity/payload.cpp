#include "integrity/payload.h"

#include <cstdlib>

#include "core/text.h"
#include "integrity/little_endian.h"
#include "integrity/sha256.h"
#include "payload_constants.h"
#include "resources/resource_ids.h"

namespace tavlun {
namespace {

// Size and digest are those of the files the build embedded (a vendor build has verified them against the
// published values at configure time); machine, magic, resource and label are fixed.
constexpr PayloadDescriptor kBuild32{PayloadKind::Build32, IDR_AKISP11_32, pe::kMachineI386, pe::kMagicPe32,
                                     payload_constants::kBuild32Size, payload_constants::kBuild32Sha256, L"32-bit"};
constexpr PayloadDescriptor kBuild64{PayloadKind::Build64, IDR_AKISP11_64, pe::kMachineAmd64, pe::kMagicPe32Plus,
                                     payload_constants::kBuild64Size, payload_constants::kBuild64Sha256, L"64-bit"};

}  // namespace

const PayloadDescriptor& PayloadBuild32() { return kBuild32; }
const PayloadDescriptor& PayloadBuild64() { return kBuild64; }
const PayloadDescriptor& PayloadFor(PayloadKind kind) {
  // No default: a new kind fails to compile (-Wswitch) until it is handled here.
  switch (kind) {
    case PayloadKind::Build32:
      return kBuild32;
    case PayloadKind::Build64:
      return kBuild64;
  }
  // A value outside the enumeration is a programming fault; it must never become the 32-bit build quietly.
  std::abort();
}

bool IsPlausiblePayloadDll(const std::uint8_t* data, std::uint32_t size, std::uint16_t machine, std::uint16_t magic) {
  if (data == nullptr || size < pe::kDosHeaderSize || !pe::HasDosSignature(data)) return false;
  const std::int32_t header_offset = ReadLeInt32(data + pe::kHeaderOffsetField);
  if (header_offset < 0) return false;
  const std::uint64_t offset = static_cast<std::uint64_t>(header_offset);
  // The signature, the file header and the two magic bytes right after it.
  if (offset + pe::kSignatureAndFileHeader + 2 > size) return false;
  const std::uint8_t* nt = data + offset;
  return pe::HasPeSignature(nt) && ReadLe16(nt + pe::kFileHeaderMachine) == machine &&
         (ReadLe16(nt + pe::kFileHeaderCharacteristics) & pe::kCharacteristicDll) != 0 &&
         ReadLe16(nt + pe::kFileHeaderOptionalSize) >= 2 && ReadLe16(nt + pe::kSignatureAndFileHeader) == magic;
}

bool VerifyPayloadBlock(const PayloadDescriptor& descriptor, const std::uint8_t* data, std::uint32_t size,
                        LoadedPayload* payload, std::wstring* message) {
  const std::wstring label = descriptor.label;
  if (data == nullptr || size != descriptor.size) {
    *message = L"Gömülü " + label + L" DLL boyutu beklenen değerle eşleşmiyor; kurulum durduruldu.";
    return false;
  }
  if (!IsPlausiblePayloadDll(data, size, descriptor.machine, descriptor.magic)) {
    *message = L"Gömülü DLL geçerli bir " + label + L" PE DLL dosyası değil; kurulum durduruldu.";
    return false;
  }
  std::wstring digest;
  if (!Sha256Memory(data, size, &digest, message)) return false;
  if (!EqualsIgnoreAsciiCase(digest, descriptor.expected_sha256)) {
    *message = L"Gömülü " + label + L" DLL'nin SHA-256 değeri beklenen değerle eşleşmiyor; kurulum durduruldu.";
    return false;
  }
  payload->data = data;
  payload->size = size;
  payload->sha256 = std::move(digest);
  payload->version = kPayloadVersion;
  payload->machine = descriptor.machine;
  return true;
}

}  // namespace tavlun
