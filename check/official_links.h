// The official web addresses the program names: written into the report and, later, offered by the provider
// guide. Kept in one place so that every text shows the same address. Pure.
#pragma once

namespace tavlun {

// The state portal's e-signature login page.
inline constexpr wchar_t kStatePortalESignatureUrl[] =
    L"https://giris.turkiye.gov.tr/Giris/Elektronik-Imza?actionName=eimzasss";

// The public certificate authority's official driver-service page.
inline constexpr wchar_t kCertificateAuthorityDriverServiceUrl[] =
    L"https://kamusm.bilgem.tubitak.gov.tr/islemler/surucu_yukleme_servisi/";

}  // namespace tavlun
