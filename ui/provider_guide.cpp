#include "ui/provider_guide.h"

#include "check/official_links.h"

namespace tavlun {

const ProviderGuideEntry kProviderGuide[kProviderCount] = {
    {2101, L"Kamu SM\nKamu kurumu tarafından teslim edilen sertifika", L"Kamu SM", CardQuestion::None,
     L"AKİS + kart okuyucu sürücüsü", true,
     L"1. Kartı veya USB okuyucuyu bilgisayardan çıkarın.\n"
     L"2. Sürücü hizmetinde Windows sürümünü ve okuyucu modelini seçin.\n"
     L"3. Önerilen paketleri kurun; yalnız istenirse bilgisayarı yeniden başlatın.\n"
     L"4. Cihazı yeniden takıp Sistem kontrolü'nü çalıştırın.",
     L"Kamu SM yalnız kamu çalışanlarına sertifika hizmeti sunar. Kart üzerindeki AKİS adı tek başına sertifikanın "
     L"Kamu SM tarafından verildiği anlamına gelmez.",
     {{L"Resmî sürücü hizmetini aç", kUrlKamuSmDriverService}, {L"İlk kullanım rehberini aç", kUrlKamuSmFirstUse}}},
    {2102, L"E-Güven\nKart/token türünüz AKİS veya E-Token olabilir", L"E-Güven", CardQuestion::AkisOrEToken,
     L"", false,
     L"1. Kurulum sayfasında seçtiğiniz kart/token türünün sekmesini açın.\n"
     L"2. Windows mimarinize uygun paketi resmî sayfadan indirin ve kurun.\n"
     L"3. Cihazı yeniden takıp hedef hizmette tekrar deneyin.",
     L"Kart yönetiminde Initialize, Delete Certificate, Clear Default Certificate veya Reset Default Certificate "
     L"Selection komutlarını kullanmayın; sertifikanız zarar görebilir.",
     {{L"Resmî kurulum sayfasını aç", kUrlEGuvenSoftware}, {L"E-Güven destek masasını aç", kUrlEGuvenSupportDesk}}},
    {2103, L"TÜRKTRUST\nPALMA akıllı kart yönetim yazılımı", L"TÜRKTRUST", CardQuestion::None, L"PALMA", false,
     L"1. Windows'un 32 veya 64 bit olduğunu doğrulayın.\n"
     L"2. Kurulum sayfasından uygun PALMA paketini kurun.\n"
     L"3. Kartı takıp PALMA üzerinden aktivasyon/PIN adımını tamamlayın.\n"
     L"4. Sistem kontrolünü yeniden çalıştırın.",
     L"Bu sağlayıcı için varsayılan istemci PALMA'dır. AKİS DLL kurulumu yalnız kartınızın belgesi veya TÜRKTRUST "
     L"desteği açıkça AKİS istediğinde kullanılmalıdır.",
     {{L"PALMA kurulum rehberini aç", kUrlTurktrustSetup}, {L"Gerekli yazılımları aç", kUrlTurktrustSoftware}}},
    {2104, L"E-Tuğra\nKart/yönetim yazılımınız AKİS veya SafeSign olabilir", L"E-Tuğra", CardQuestion::AkisOrSafeSign,
     L"", false,
     L"1. Destek merkezinde seçtiğiniz kart türüne ait Windows adımını izleyin.\n"
     L"2. Yalnız resmî sayfanın önerdiği kart yönetim yazılımını kurun.\n"
     L"3. Aktivasyon/PIN işlemini tamamlayıp cihazı yeniden takın.\n"
     L"4. Sistem kontrolünü yeniden çalıştırın.",
     L"AKİS ve SafeSign / StarCOS aynı sürücüyü kullanmaz. Kart türü belirsizse teslim e-postası, kart etiketi veya "
     L"E-Tuğra desteğiyle doğrulamadan paket seçmeyin.",
     {{L"Resmî yükleme merkezini aç", kUrlETugraDownloadCentre}, {L"E-Tuğra destek merkezini aç", kUrlETugraSupport}}},
    {2105, L"E-İmzaTR\nAKİS kart kurulumu ve aktivasyon", L"E-İmzaTR", CardQuestion::None, L"AKİS", true,
     L"1. Kurulum sürücüleri sayfasında Windows sürümünüze uygun seçeneği açın.\n"
     L"2. Kart ve gerekiyorsa okuyucu paketini kurun.\n"
     L"3. PIN oluşturma/aktivasyon adımını tamamlayın.\n"
     L"4. Cihazı yeniden takıp Sistem kontrolü'nü çalıştırın.",
     L"Java gereksinimi kart markasına değil, kullandığınız e-Devlet, UYAP veya GİB hizmetine bağlıdır. Yalnız hedef "
     L"hizmet açıkça istiyorsa kurun.",
     {{L"Kurulum sürücülerini aç", kUrlEImzaTrDrivers}, {L"Resmî yardımcı videoları aç", kUrlEImzaTrVideos}}},
    {2106, L"Ayyıldız İmza\nAktivasyon uygulaması ve AKİS bileşenleri", L"Ayyıldız İmza", CardQuestion::None,
     L"Ayyıldız aktivasyon uygulaması + AKİS", true,
     L"1. Resmî kurulum sayfasındaki Windows yönergelerini izleyin.\n"
     L"2. Aktivasyon uygulaması ve önerilen AKİS bileşenini kurun.\n"
     L"3. Kartı takıp aktivasyon/PIN işlemini tamamlayın.\n"
     L"4. Sistem kontrolünü yeniden çalıştırın.",
     L"Doğrudan dosya paylaşım sitelerini veya tek başına DLL indirmelerini kullanmayın; paket sürümü kart ve Windows "
     L"mimarisiyle eşleşmelidir.",
     {{L"Resmî kurulum dosyaları sayfasını aç", kUrlAyyildizSetupFiles},
      {L"Aktivasyon rehberini aç", kUrlAyyildizActivation}}},
    {2107, L"Arkİmza (ArkSigner A.Ş.)\nSertifikanızı Arkİmza verdiyse seçin", L"Arkİmza", CardQuestion::None,
     L"ArkSigner istemcisi", false,
     L"1. ArkSigner'ın resmî indirme sayfasını açın.\n"
     L"2. Windows için önerilen güncel paketi seçip kurun.\n"
     L"3. Kart/token cihazını yeniden takın ve istemcide göründüğünü doğrulayın.\n"
     L"4. Hedef hizmette yeniden deneyin.",
     L"ArkSigner bir istemcidir ve başka sağlayıcıların kartlarıyla da çalışabilir; sertifikanızı başka kurum verdiyse "
     L"o sağlayıcıyı seçin. Uygulama doğrudan kurulum dosyasına bağlanmaz; her zaman resmî açılış sayfasından "
     L"ilerleyin.",
     {{L"ArkSigner indirme sayfasını aç", kUrlArkSignerDownload},
      {L"Aktivasyon ve kullanım rehberini aç", kUrlArkImzaVideo}}},
    {2108, L"Bilmiyorum / Diğer\nÖnce sağlayıcıyı güvenli biçimde doğrulayın", L"Sağlayıcıyı belirleme",
     CardQuestion::None, L"Henüz belirlenmedi", false,
     L"1. Teslim e-postası, sözleşme veya faturada sertifikayı veren kurumu bulun.\n"
     L"2. Kurumu BTK'nın güncel ESHS listesinde doğrulayın.\n"
     L"3. Kartta veya yönetim yazılımında görünen AKİS, SafeSign / StarCOS, E-Token gibi adı not edin.\n"
     L"4. Rehberi yeniden açıp sağlayıcıyı ve doğru kart/token ya da yazılım türünü seçin.\n"
     L"EGM personeliyseniz kurum içi EGMSM desteğine başvurun.",
     L"Kart/ara yazılım markası ile sertifika sağlayıcısı aynı şey olmayabilir. Sağlayıcı belirlenmeden DLL veya "
     L"sürücü indirmeyin ve PIN'inizi hiçbir destek görevlisiyle paylaşmayın.",
     {{L"BTK yetkili sağlayıcı listesini aç", kUrlBtkProviderList},
      {L"e-Devlet e-İmza yardımını aç", kUrlEDevletESignature}}},
};

namespace {

constexpr int kEGuvenId = 2102;

}  // namespace

const ProviderGuideEntry* FindProviderEntry(int id) {
  for (const ProviderGuideEntry& entry : kProviderGuide) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

std::vector<CardChoiceButton> ProviderPageButtons(int page) {
  constexpr int kFirstPage[] = {2101, 2102, 2103};
  constexpr int kSecondPage[] = {2104, 2105, 2106, 2107};
  std::vector<CardChoiceButton> buttons;
  if (page == 0) {
    for (int id : kFirstPage) buttons.push_back({id, FindProviderEntry(id)->choiceText});
    buttons.push_back({kGuideMoreProviders, L"Diğer sağlayıcılar\nE-Tuğra, E-İmzaTR, Ayyıldız İmza, Arkİmza"});
    buttons.push_back({2108, FindProviderEntry(2108)->choiceText});
  } else {
    for (int id : kSecondPage) buttons.push_back({id, FindProviderEntry(id)->choiceText});
    buttons.push_back({kGuideFirstProviders, L"Önceki sayfaya dön\nKamu SM, E-Güven, TÜRKTRUST veya Bilmiyorum / Diğer"});
  }
  return buttons;
}

std::array<CardChoiceButton, 3> CardChoiceButtons(CardQuestion question) {
  const CardChoiceButton second =
      question == CardQuestion::AkisOrSafeSign
          ? CardChoiceButton{kCardSafeSign,
                             L"SafeSign / StarCOS\nKart yönetim yazılımında SafeSign veya belgede StarCOS yazıyor"}
          : CardChoiceButton{kCardEToken,
                             L"E-Token (SafeNet / Thales)\nKart veya token etiketinde eToken, SafeNet ya da Thales "
                             L"yazıyor"};
  return {{{kCardAkis, L"AKİS kart\nKartta veya teslim belgesinde AKİS yazıyor"},
           second,
           {kCardUnknown, L"Bilmiyorum\nÖnce kart türünü resmî destek sayfasında doğrulayacağım"}}};
}

std::wstring CardSelectionLabel(int card_choice_id) {
  switch (card_choice_id) {
    case kCardAkis:
      return L"AKİS";
    case kCardEToken:
      return L"E-Token (SafeNet / Thales)";
    case kCardSafeSign:
      return L"SafeSign / StarCOS";
    case kCardUnknown:
      return L"Bilinmiyor — resmî sayfada doğrulanacak";
    default:
      return std::wstring();
  }
}

std::wstring SelectionLabel(const ProviderGuideEntry& entry, int card_choice_id) {
  return entry.cardChoice == CardQuestion::None ? std::wstring(entry.selection) : CardSelectionLabel(card_choice_id);
}

std::wstring ProviderDetailContent(const ProviderGuideEntry& entry, int card_choice_id,
                                   const std::wstring& install_button_label) {
  const bool akis = entry.cardChoice == CardQuestion::None ? entry.selectionIsAkis : card_choice_id == kCardAkis;
  // The warnings form one block under the steps, a line each: the dialog then fits a 1366 × 768 screen at 150 %.
  std::wstring content = L"Seçilen kart/ara yazılım: " + SelectionLabel(entry, card_choice_id) + L"\n\n" + entry.steps + L"\n";
  if (!akis) {
    // Only a button the user can press is named; a disabled one needs no warning.
    content += install_button_label.empty()
                   ? std::wstring(L"\nBu seçim AKİS olarak doğrulanmadı; sağlayıcının resmî paketini izleyin.")
                   : L"\nBu seçim AKİS olarak doğrulanmadı. Ana ekrandaki “" + install_button_label +
                         L"” işlemini kullanmayın; sağlayıcının resmî paketini izleyin.";
  }
  if (entry.id == kEGuvenId) {
    content += L"\nKart yönetiminde Initialize veya Delete Certificate gibi silme komutlarını kullanmayın.";
  }
  content += L"\nPIN/PUK kodunu hiçbir kişi veya destek görevlisiyle paylaşmayın.";
  return content;
}

std::array<GuideLink, 2> ProviderDetailLinks(const ProviderGuideEntry& entry, int card_choice_id) {
  std::array<GuideLink, 2> links{{entry.links[0], entry.links[1]}};
  if (entry.id == kEGuvenId && card_choice_id == kCardAkis) {
    links[0] = {L"E-Güven AKİS kart yazılımını aç", kUrlEGuvenAkisCard};
  } else if (entry.id == kEGuvenId && card_choice_id == kCardEToken) {
    links[0] = {L"E-Güven E-Token yazılımını aç", kUrlEGuvenEToken};
  }
  return links;
}

std::wstring LinkButtonText(const GuideLink& link) {
  return std::wstring(link.text) + L"\n" + ShortHostOf(link.url) + L" — tarayıcıda açılır";
}

}  // namespace tavlun
