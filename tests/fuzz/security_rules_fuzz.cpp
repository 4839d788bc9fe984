// The ownership and DACL rules the elevated run applies to its work folders, files and global lock, on the facts
// read from descriptors that may already exist: anyone can create the ProgramData folder or the named mutex
// first, with whatever owner and entries suit them.
//
// Input: answers consumed by FuzzedDataProvider (owner, control flags, entry count and the entries).
//
// Properties: a descriptor is accepted exactly when an independent reading of the rules accepts it: trusted
// owner, a present and protected DACL of exactly three readable, non-inherited allow entries with the expected
// flags, one each for the required principals with exactly the required rights (generic rights mapped first);
// a count that disagrees with the entries read is refused, never read past. A refusal always names its reason.
// Mapping generic rights leaves no generic bit, keeps every other bit and adds the mapped rights. A descriptor that
// the secure rule accepts never shows another principal in control, so the elevated run never moves aside a work
// folder it would trust; without an owner, only an allow entry that applies to the object itself can show one.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "install/security_rules.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using tavlun::AceFacts;
using tavlun::DescriptorFacts;
using tavlun::KnownPrincipal;

constexpr std::uint32_t kGenericBits = 0xF0000000;

std::uint32_t Mask(FuzzedDataProvider& in) {
  static const std::uint32_t kMasks[] = {0x1F01FF,   0x1200A9,   0x10000000, 0xA0000000, 0x80000000,
                                         0x1F0001,   0x100001,   0x120089,   0x1201BF,   0x1F01FF | 0x10000000,
                                         0xE0000000, 0x00100000, 0x00000001, 0x1300BF};
  if (in.ConsumeBool()) return in.ConsumeIntegral<std::uint32_t>();
  return kMasks[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kMasks) - 1)];
}

KnownPrincipal Principal(FuzzedDataProvider& in) {
  return static_cast<KnownPrincipal>(in.ConsumeIntegralInRange(0, 4));
}

bool TrustedOwner(KnownPrincipal owner) {
  return owner == KnownPrincipal::Administrators || owner == KnownPrincipal::LocalSystem;
}

// Exactly the three (principal, rights) pairs, each once, and every entry a plain allow entry with `flags`.
bool HasExactly(const DescriptorFacts& f, std::uint8_t flags, const tavlun::GenericAccessMapping& mapping,
                const KnownPrincipal (&principals)[3], const std::uint32_t (&rights)[3]) {
  if (f.aces.size() != 3) return false;
  int seen[3] = {0, 0, 0};
  for (const AceFacts& ace : f.aces) {
    if (!ace.readable || ace.type != 0 || ace.flags != flags) return false;
    const std::uint32_t mask = tavlun::MapGenericAccess(ace.mask, mapping);
    bool matched = false;
    for (int k = 0; k < 3; ++k) {
      if (ace.principal == principals[k] && mask == rights[k]) {
        ++seen[k];
        matched = true;
      }
    }
    if (!matched) return false;
  }
  return seen[0] == 1 && seen[1] == 1 && seen[2] == 1;
}

bool ExpectedSecureObject(const DescriptorFacts& f, bool is_folder) {
  return f.principals_known && TrustedOwner(f.owner) && f.control_read && f.dacl_protected && f.dacl_present &&
         f.ace_count_read && f.ace_count == 3 &&
         HasExactly(f, is_folder ? 0x03 : 0x00, tavlun::kFileGenericMapping,
                    {KnownPrincipal::LocalSystem, KnownPrincipal::Administrators, KnownPrincipal::Users},
                    {0x1F01FF, 0x1F01FF, 0x1200A9});
}

bool ExpectedLock(const DescriptorFacts& f) {
  return f.principals_known && TrustedOwner(f.owner) && f.control_read && f.dacl_protected && f.dacl_present &&
         f.ace_count_read && f.ace_count == 3 &&
         HasExactly(f, 0x00, tavlun::kMutexGenericMapping,
                    {KnownPrincipal::LocalSystem, KnownPrincipal::Administrators, KnownPrincipal::AuthenticatedUsers},
                    {0x1F0001, 0x1F0001, 0x100001});
}

void CheckMapping(std::uint32_t mask, const tavlun::GenericAccessMapping& mapping) {
  const std::uint32_t mapped = tavlun::MapGenericAccess(mask, mapping);
  FUZZ_CHECK((mapped & kGenericBits) == 0);
  FUZZ_CHECK((mapped & (mask & ~kGenericBits)) == (mask & ~kGenericBits));
  if ((mask & 0x80000000) != 0) FUZZ_CHECK((mapped & (mapping.read & ~kGenericBits)) == (mapping.read & ~kGenericBits));
  if ((mask & 0x10000000) != 0) FUZZ_CHECK((mapped & (mapping.all & ~kGenericBits)) == (mapping.all & ~kGenericBits));
  FUZZ_CHECK(tavlun::MapGenericAccess(mapped, mapping) == mapped);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  DescriptorFacts facts;
  facts.principals_known = in.ConsumeProbability<float>() < 0.95f;
  facts.owner = Principal(in);
  facts.control_read = in.ConsumeProbability<float>() < 0.95f;
  facts.dacl_protected = in.ConsumeProbability<float>() < 0.9f;
  facts.dacl_present = in.ConsumeProbability<float>() < 0.95f;
  facts.ace_count_read = in.ConsumeProbability<float>() < 0.95f;
  const std::size_t entries = in.ConsumeIntegralInRange<std::size_t>(0, 6);
  facts.ace_count =
      in.ConsumeBool() ? static_cast<std::uint32_t>(entries) : in.ConsumeIntegralInRange<std::uint32_t>(0, 8);
  const bool folder = in.ConsumeBool();
  for (std::size_t i = 0; i < entries; ++i) {
    AceFacts ace;
    ace.readable = in.ConsumeProbability<float>() < 0.95f;
    ace.type = in.ConsumeBool() ? 0 : in.ConsumeIntegral<std::uint8_t>();
    ace.flags = in.ConsumeBool() ? (folder ? 0x03 : 0x00) : in.ConsumeIntegral<std::uint8_t>();
    ace.principal = Principal(in);
    ace.mask = Mask(in);
    facts.aces.push_back(ace);
    CheckMapping(ace.mask, tavlun::kFileGenericMapping);
    CheckMapping(ace.mask, tavlun::kMutexGenericMapping);
  }

  std::wstring message = L"(unset)";
  const bool secure = tavlun::EvaluateSecureObjectRule(facts, folder, &message);
  FUZZ_CHECK(secure == ExpectedSecureObject(facts, folder));
  FUZZ_CHECK(secure ? message == L"(unset)" : (!message.empty() && message != L"(unset)"));

  facts.owner_present = in.remaining_bytes() == 0 || in.ConsumeBool();
  const bool foreign = tavlun::ShowsForeignControl(facts);
  if (secure) FUZZ_CHECK(!foreign);
  if (foreign && (!facts.owner_present || TrustedOwner(facts.owner))) {
    bool writer = false;
    for (const AceFacts& ace : facts.aces) {
      writer = writer || (ace.readable && ace.type == 0 && (ace.flags & 0x08) == 0 && !TrustedOwner(ace.principal));
    }
    FUZZ_CHECK(writer && facts.dacl_present);
  }

  std::wstring lock_message = L"(unset)";
  const bool lock = tavlun::EvaluateInstallLockRule(facts, &lock_message);
  FUZZ_CHECK(lock == ExpectedLock(facts));
  FUZZ_CHECK(lock ? lock_message == L"(unset)" : (!lock_message.empty() && lock_message != L"(unset)"));
  return 0;
}
