// Every official web address the program names or opens: the report's two addresses and the provider guide's
// allowlist. Kept in one table so that every text shows the same address and nothing outside it is ever opened.
// Pure.
#pragma once

#include <cstddef>
#include <string>

namespace tavlun {

// The official HTTPS origins. A short host, shown on a link button, is the origin without its scheme.
inline constexpr wchar_t kOriginKamuSm[] = L"https://kamusm.bilgem.tubitak.gov.tr";
inline constexpr wchar_t kOriginEGuven[] = L"https://e-guven.com";
inline constexpr wchar_t kOriginTurktrust[] = L"https://www.turktrust.com.tr";
inline constexpr wchar_t kOriginETugra[] = L"https://www.e-tugra.com.tr";
inline constexpr wchar_t kOriginEImzaTr[] = L"https://e-imzatr.com.tr";
inline constexpr wchar_t kOriginAyyildizImza[] = L"https://www.ayyildizimza.com.tr";
inline constexpr wchar_t kOriginArkSigner[] = L"https://www.arksigner.com";
inline constexpr wchar_t kOriginArkImza[] = L"https://www.arkimza.com.tr";
inline constexpr wchar_t kOriginBtk[] = L"https://www.btk.gov.tr";
inline constexpr wchar_t kOriginEDevlet[] = L"https://giris.turkiye.gov.tr";

inline constexpr const wchar_t* kOfficialOrigins[] = {
    kOriginKamuSm,   kOriginEGuven,    kOriginTurktrust, kOriginETugra, kOriginEImzaTr,
    kOriginAyyildizImza, kOriginArkSigner, kOriginArkImza, kOriginBtk,    kOriginEDevlet,
};

// The only addresses a dialog may open, compared exactly (case-sensitive, whole string). Each begins with one
// of the origins above followed by "/"; the tests hold every entry to that.
inline constexpr wchar_t kUrlKamuSmDriverService[] =
    L"https://kamusm.bilgem.tubitak.gov.tr/islemler/surucu_yukleme_servisi/";
inline constexpr wchar_t kUrlKamuSmFirstUse[] =
    L"https://kamusm.bilgem.tubitak.gov.tr/islemler/sertifikami_aldim_ne_yapmaliyim/";
inline constexpr wchar_t kUrlEGuvenSoftware[] = L"https://e-guven.com/e-imza-yazilimlar-detay";
inline constexpr wchar_t kUrlEGuvenAkisCard[] = L"https://e-guven.com/yazilim/akis-kart";
inline constexpr wchar_t kUrlEGuvenEToken[] = L"https://e-guven.com/yazilim/etoken";
inline constexpr wchar_t kUrlEGuvenSupportDesk[] = L"https://e-guven.com/destek-masasi";
inline constexpr wchar_t kUrlTurktrustSetup[] = L"https://www.turktrust.com.tr/kurulum-islemleri.html";
inline constexpr wchar_t kUrlTurktrustSoftware[] = L"https://www.turktrust.com.tr/gerekli-yazilimlar.html";
inline constexpr wchar_t kUrlETugraSupport[] = L"https://www.e-tugra.com.tr/destek/e-imza";
inline constexpr wchar_t kUrlETugraDownloadCentre[] = L"https://www.e-tugra.com.tr/destek/e-imza/yukleme-merkezi";
inline constexpr wchar_t kUrlEImzaTrDrivers[] = L"https://e-imzatr.com.tr/tr/yardim-destek/e-imza-kurulum-suruculeri";
inline constexpr wchar_t kUrlEImzaTrVideos[] = L"https://e-imzatr.com.tr/tr/yardim-destek/yardimci-videolar";
inline constexpr wchar_t kUrlAyyildizSetupFiles[] =
    L"https://www.ayyildizimza.com.tr/teknik/ayyildiz-kurulum-dosyalari-indir";
inline constexpr wchar_t kUrlAyyildizActivation[] =
    L"https://www.ayyildizimza.com.tr/teknik/ayyildiz-imza-aktivasyon-nasil-yapilir";
inline constexpr wchar_t kUrlArkSignerDownload[] = L"https://www.arksigner.com/indir";
inline constexpr wchar_t kUrlArkImzaVideo[] = L"https://www.arkimza.com.tr/kullanim-videosu";
inline constexpr wchar_t kUrlBtkProviderList[] = L"https://www.btk.gov.tr/elektronik-sertifika-hizmet-saglayicilari";
inline constexpr wchar_t kUrlEDevletESignature[] =
    L"https://giris.turkiye.gov.tr/Giris/Elektronik-Imza?actionName=eimzasss";

inline constexpr const wchar_t* kOfficialLinkAllowlist[] = {
    kUrlKamuSmDriverService, kUrlKamuSmFirstUse,     kUrlEGuvenSoftware,     kUrlEGuvenAkisCard,
    kUrlEGuvenEToken,        kUrlEGuvenSupportDesk,  kUrlTurktrustSetup,     kUrlTurktrustSoftware,
    kUrlETugraSupport,       kUrlETugraDownloadCentre, kUrlEImzaTrDrivers,   kUrlEImzaTrVideos,
    kUrlAyyildizSetupFiles,  kUrlAyyildizActivation, kUrlArkSignerDownload,  kUrlArkImzaVideo,
    kUrlBtkProviderList,     kUrlEDevletESignature,
};
inline constexpr std::size_t kOfficialLinkCount = sizeof(kOfficialLinkAllowlist) / sizeof(kOfficialLinkAllowlist[0]);
static_assert(kOfficialLinkCount == 18, "the provider guide offers eighteen official pages");

// The report's two addresses are entries of the allowlist.
inline constexpr auto& kStatePortalESignatureUrl = kUrlEDevletESignature;
inline constexpr auto& kCertificateAuthorityDriverServiceUrl = kUrlKamuSmDriverService;

// True only when the url equals an allowlist entry character for character: no case folding, no trimming, no
// other scheme, nothing added.
bool IsOfficialLink(const std::wstring& url);

// The origin the url begins with (followed by "/"), without "https://"; empty when the url starts with none.
std::wstring ShortHostOf(const std::wstring& url);

}  // namespace tavlun
