// The official-link table and the guide's records: every address belongs to an official origin, is offered by a
// record and is matched exactly; the detail content carries the right safety lines.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "check/official_links.h"
#include "ui/provider_guide.h"

namespace tavlun {
namespace {

constexpr wchar_t kLabel[] = L"AKİS DLL'lerini kur";

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

TEST(OfficialLinks, EveryEntryIsOneOriginPlusAPathAndOfferedByTheGuide) {
  std::set<std::wstring> seen;
  for (const wchar_t* url : kOfficialLinkAllowlist) {
    SCOPED_TRACE(std::string(url, url + wcslen(url)));
    EXPECT_TRUE(seen.insert(url).second) << "listed twice";
    const std::wstring host = ShortHostOf(url);
    ASSERT_FALSE(host.empty());
    EXPECT_EQ(std::wstring(url).rfind(L"https://" + host + L"/", 0), 0u);
    EXPECT_TRUE(IsOfficialLink(url));
  }
  // Every link a dialog can offer is allowlisted, and every allowlist entry is offered by some dialog.
  std::set<std::wstring> offered;
  for (const ProviderGuideEntry& entry : kProviderGuide) {
    for (int card : {0, kCardAkis, kCardEToken, kCardSafeSign, kCardUnknown}) {
      for (const GuideLink& link : ProviderDetailLinks(entry, card)) {
        EXPECT_TRUE(IsOfficialLink(link.url)) << entry.id;
        offered.insert(link.url);
      }
    }
  }
  EXPECT_EQ(offered, seen);
  EXPECT_TRUE(IsOfficialLink(kStatePortalESignatureUrl));
  EXPECT_TRUE(IsOfficialLink(kCertificateAuthorityDriverServiceUrl));
}

TEST(OfficialLinks, OnlyTheExactTextIsOfficial) {
  const wchar_t* refused[] = {
      L"https://e-guven.com/Destek-Masasi",                        // letter case
      L"HTTPS://e-guven.com/destek-masasi",                        // scheme case
      L"http://e-guven.com/destek-masasi",                         // unencrypted
      L"https://e-guven.com/destek-masasi?download=1",             // query added
      L"https://e-guven.com/destek-masasi/",                       // slash added
      L" https://e-guven.com/destek-masasi",                       // blank before
      L"https://e-guven.com.evil.example/destek-masasi",           // other host
      L"https://e-guven.com",                                      // origin alone
      L"",
  };
  for (const wchar_t* url : refused) EXPECT_FALSE(IsOfficialLink(url)) << std::string(url, url + wcslen(url));
  EXPECT_EQ(ShortHostOf(L"https://e-guven.com.evil.example/x"), L"");
  EXPECT_EQ(ShortHostOf(kUrlEDevletESignature), L"giris.turkiye.gov.tr");
}

TEST(ProviderGuide, DetailContentRules) {
  const ProviderGuideEntry& kamu = *FindProviderEntry(2101);
  const ProviderGuideEntry& eguven = *FindProviderEntry(2102);
  const ProviderGuideEntry& etugra = *FindProviderEntry(2104);
  const ProviderGuideEntry& unknown = *FindProviderEntry(2108);
  EXPECT_EQ(FindProviderEntry(2109), nullptr);
  const std::wstring not_akis = std::wstring(L"\n\nBu seçim AKİS olarak doğrulanmadı. Ana ekrandaki “") + kLabel +
                                L"” işlemini kullanmayın; sağlayıcının resmî paketini izleyin.";
  const std::wstring deletion = L"\n\nKart yönetiminde Initialize veya Delete Certificate gibi silme komutlarını "
                                L"kullanmayın.";
  const std::wstring pin = L"\n\nPIN/PUK kodunu hiçbir kişi veya destek görevlisiyle paylaşmayın.";
  struct Row {
    const ProviderGuideEntry& entry;
    std::wstring selection;
    bool warns_install;
    bool warns_deletion;
  };
  const Row rows[] = {
      {kamu, kamu.selection, false, false},
      {eguven, CardSelectionLabel(kCardEToken), true, true},
      {eguven, CardSelectionLabel(kCardAkis), false, true},
      {etugra, CardSelectionLabel(kCardAkis), false, false},
      {etugra, CardSelectionLabel(kCardUnknown), true, false},
      {unknown, unknown.selection, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.entry.id);
    const std::wstring content = ProviderDetailContent(row.entry, row.selection, kLabel);
    EXPECT_EQ(content.rfind(L"Seçilen kart/ara yazılım: " + row.selection + L"\n\n" + row.entry.steps, 0), 0u);
    EXPECT_EQ(Contains(content, not_akis), row.warns_install);
    EXPECT_EQ(Contains(content, deletion), row.warns_deletion);
    EXPECT_EQ(content.substr(content.size() - pin.size()), pin);
  }
  EXPECT_EQ(std::wstring(unknown.selection), L"Henüz belirlenmedi");
}

TEST(ProviderGuide, LinksFollowTheCardType) {
  const ProviderGuideEntry& eguven = *FindProviderEntry(2102);
  EXPECT_EQ(std::wstring(ProviderDetailLinks(eguven, kCardEToken)[0].url), kUrlEGuvenEToken);
  EXPECT_EQ(LinkButtonText(ProviderDetailLinks(eguven, kCardEToken)[0]),
            L"E-Güven E-Token yazılımını aç\ne-guven.com — tarayıcıda açılır");
  EXPECT_EQ(std::wstring(ProviderDetailLinks(eguven, kCardAkis)[0].url), kUrlEGuvenAkisCard);
  EXPECT_EQ(std::wstring(ProviderDetailLinks(eguven, kCardUnknown)[0].url), kUrlEGuvenSoftware);
  EXPECT_EQ(std::wstring(ProviderDetailLinks(*FindProviderEntry(2104), kCardAkis)[0].url), kUrlETugraDownloadCentre);
  EXPECT_EQ(LinkButtonText(FindProviderEntry(2101)->links[0]),
            L"Resmî sürücü hizmetini aç\nkamusm.bilgem.tubitak.gov.tr — tarayıcıda açılır");
  EXPECT_EQ(CardChoiceButtons(CardQuestion::AkisOrSafeSign)[1].id, kCardSafeSign);
  EXPECT_EQ(CardChoiceButtons(CardQuestion::AkisOrEToken)[1].id, kCardEToken);
  EXPECT_EQ(CardSelectionLabel(kCardUnknown), L"Bilinmiyor — resmî sayfada doğrulanacak");
}

}  // namespace
}  // namespace tavlun
