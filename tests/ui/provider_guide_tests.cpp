// The one table of official addresses: each belongs to an official origin, is offered by some dialog of the guide
// and is matched only character for character. (The content rules are checked on the real dialogs.)
#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <vector>
#include <string>

#include "check/official_links.h"
#include "ui/provider_guide.h"

namespace tavlun {
namespace {

TEST(OfficialLinks, EveryEntryIsAnOriginPlusAPathOfferedOnceByTheGuide) {
  std::set<std::wstring> listed;
  for (const wchar_t* url : kOfficialLinkAllowlist) {
    EXPECT_TRUE(listed.insert(url).second) << "listed twice";
    const std::wstring host = ShortHostOf(url);
    EXPECT_FALSE(host.empty());
    EXPECT_EQ(std::wstring(url).rfind(L"https://" + host + L"/", 0), 0u);
  }
  std::set<std::wstring> offered;
  for (const ProviderGuideEntry& entry : kProviderGuide) {
    for (int card : {0, kCardAkis, kCardEToken, kCardSafeSign, kCardUnknown}) {
      for (const GuideLink& link : ProviderDetailLinks(entry, card)) offered.insert(link.url);
    }
  }
  EXPECT_EQ(offered, listed);
  EXPECT_TRUE(IsOfficialLink(kStatePortalESignatureUrl) && IsOfficialLink(kCertificateAuthorityDriverServiceUrl));
  EXPECT_EQ(LinkButtonText(FindProviderEntry(2101)->links[0]),
            L"Resmî sürücü hizmetini aç\nkamusm.bilgem.tubitak.gov.tr — tarayıcıda açılır");
}

// The provider dialog tells the unsure user to take the last choice; the install-button warning follows the
// selection's flag, which must agree with the label the user reads.
TEST(ProviderGuide, UnknownProviderStaysLastAndOnlyAkisSelectionsLeaveOutTheWarning) {
  EXPECT_EQ(std::wstring(kProviderGuide[kProviderCount - 1].choiceText).rfind(L"Bilmiyorum / Diğer\n", 0), 0u);
  for (const ProviderGuideEntry& entry : kProviderGuide) {
    for (int card : {0, kCardAkis, kCardEToken, kCardSafeSign, kCardUnknown}) {
      if ((entry.cardChoice == CardQuestion::None) != (card == 0)) continue;
      const std::wstring label = SelectionLabel(entry, card);
      const bool warned = ProviderDetailContent(entry, card, L"Kur").find(L"“Kur”") != std::wstring::npos;
      EXPECT_EQ(warned, label.find(L"AKİS") == std::wstring::npos) << entry.id << " " << card;
    }
  }
}

TEST(ProviderGuide, PagesOfferEveryProviderOnceAndQuoteOnlyAButtonThatCanBePressed) {
  std::multiset<int> offered;
  for (int page : {0, 1}) {
    const std::vector<CardChoiceButton> buttons = ProviderPageButtons(page);
    EXPECT_LE(buttons.size(), 5u) << "a page of five command links fits a 1366 × 768 screen at 150 %";
    for (const CardChoiceButton& button : buttons) offered.insert(button.id);
  }
  EXPECT_EQ(ProviderPageButtons(0).back().id, 2108) << "the content points to the last choice";
  for (const ProviderGuideEntry& entry : kProviderGuide) EXPECT_EQ(offered.count(entry.id), 1u) << entry.id;
  EXPECT_EQ(offered.count(kGuideMoreProviders) + offered.count(kGuideFirstProviders), 2u);

  const ProviderGuideEntry& unknown = *FindProviderEntry(2108);
  const std::wstring quoted = ProviderDetailContent(unknown, 0, L"AKİS DLL'lerini kur");
  EXPECT_NE(quoted.find(L"Ana ekrandaki “AKİS DLL'lerini kur” işlemini kullanmayın"), std::wstring::npos);
  // A disabled button ("DLL'leri doğrula" once the files match) is not mentioned at all.
  const std::wstring plain = ProviderDetailContent(unknown, 0, L"");
  EXPECT_NE(plain.find(L"\nBu seçim AKİS olarak doğrulanmadı; sağlayıcının resmî paketini izleyin.\n"),
            std::wstring::npos);
  EXPECT_EQ(plain.find(L"kullanmayın;"), std::wstring::npos);
}

TEST(OfficialLinks, OnlyTheExactTextIsOfficial) {
  const wchar_t* refused[] = {
      L"https://e-guven.com/Destek-Masasi",  L"HTTPS://e-guven.com/destek-masasi",
      L"http://e-guven.com/destek-masasi",   L"https://e-guven.com/destek-masasi?download=1",
      L"https://e-guven.com/destek-masasi/", L" https://e-guven.com/destek-masasi",
      L"https://e-guven.com",                L"",
  };
  EXPECT_TRUE(IsOfficialLink(L"https://e-guven.com/destek-masasi"));
  for (const wchar_t* url : refused) EXPECT_FALSE(IsOfficialLink(url)) << std::string(url, url + std::wcslen(url));
  EXPECT_EQ(ShortHostOf(L"https://e-guven.com.evil.example/x"), L"");
}

}  // namespace
}  // namespace tavlun
