// Whether an object found where the work area belongs is in someone else's hands, on the facts the Windows side
// reads from its descriptor (the same rule on descriptors from SDDL runs under Wine in tests/install).
#include <gtest/gtest.h>

#include <vector>

#include "install/security_rules.h"

namespace tavlun {
namespace {

DescriptorFacts Facts(bool owner_present, KnownPrincipal owner, std::vector<AceFacts> aces) {
  DescriptorFacts facts;
  facts.principals_known = facts.control_read = facts.dacl_present = facts.ace_count_read = true;
  facts.owner_present = owner_present;
  facts.owner = owner;
  facts.ace_count = static_cast<std::uint32_t>(aces.size());
  facts.aces = std::move(aces);
  return facts;
}

TEST(ShowsForeignControl, OwnerOrAWriterOtherThanAdministratorsAndSystem) {
  using P = KnownPrincipal;
  const AceFacts admins_full{true, 0, 0x03, P::Administrators, 0x1F01FF};
  const AceFacts users_read{true, 0, 0x03, P::Users, 0x1200A9};
  const AceFacts users_add_file{true, 0, 0x02, P::Users, 0x2};
  const AceFacts other_generic_write{true, 0, 0, P::Other, 0x40000000};
  const AceFacts other_inherit_only{true, 0, 0x0B, P::Other, 0x1F01FF};
  const AceFacts other_denied{true, 1, 0, P::Other, 0x1F01FF};
  EXPECT_TRUE(ShowsForeignControl(Facts(true, P::Other, {admins_full})));
  EXPECT_TRUE(ShowsForeignControl(Facts(true, P::Users, {})));
  EXPECT_TRUE(ShowsForeignControl(Facts(true, P::Administrators, {admins_full, users_add_file})));
  EXPECT_TRUE(ShowsForeignControl(Facts(false, P::Other, {other_generic_write})));
  EXPECT_FALSE(ShowsForeignControl(Facts(true, P::Administrators, {admins_full, users_read})));
  EXPECT_FALSE(ShowsForeignControl(Facts(true, P::LocalSystem, {other_inherit_only, other_denied})));
  EXPECT_FALSE(ShowsForeignControl(Facts(false, P::Other, {admins_full}))) << "no owner was read";
  DescriptorFacts unread = Facts(true, P::Administrators, {users_add_file});
  unread.aces[0].readable = false;
  EXPECT_FALSE(ShowsForeignControl(unread));
  unread = Facts(true, P::Other, {});
  unread.principals_known = false;
  EXPECT_FALSE(ShowsForeignControl(unread)) << "nothing can be told apart";
}

}  // namespace
}  // namespace tavlun
