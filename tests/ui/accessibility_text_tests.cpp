// What screen readers are told, and the access keys, without a window (also built natively under the sanitizers).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/accessibility_text.h"

namespace tavlun {
namespace {

RequirementItem Item(RequirementState state) { return {static_cast<std::uint32_t>(state), L"t", L"d"}; }

TEST(ScreenReaderTexts, AnnouncementsRowNamesAndAccessKeys) {
  using S = RequirementState;
  EXPECT_EQ(CheckFinishedSpeech({Item(S::Ready), Item(S::Missing), Item(S::Attention), Item(S::Ready),
                                 Item(S::Missing), {7, L"t", L"d"}}),
            L"Sistem kontrolü tamamlandı: 2 hazır, 2 dikkat, 2 eksik");
  EXPECT_EQ(StatusSpeech(L"Kurulum hazır", L"Dosyalar eşleşiyor."), L"Kurulum hazır. Dosyalar eşleşiyor.");
  EXPECT_EQ(StatusSpeech(L"Kurulum gerekli", L""), L"Kurulum gerekli");
  EXPECT_EQ(JoinSpeech(L"Sistem kontrolü tamamlandı: 6 hazır, 0 dikkat, 0 eksik", L"Kurulum hazır. A."),
            L"Sistem kontrolü tamamlandı: 6 hazır, 0 dikkat, 0 eksik. Kurulum hazır. A.");
  EXPECT_EQ(JoinSpeech(L"Bekleniyor…", L"B"), L"Bekleniyor… B");

  // Title, state word and detail, never the icon or colour alone; the detail made display-safe as on screen.
  EXPECT_EQ(RowAccessibleName(L"Java", 3, L"Java bulunamadı <x>"), L"Java: Eksik — Java bulunamadı _x_");
  EXPECT_EQ(RowAccessibleName(L"Java", 1, L""), L"Java: Hazır");
  EXPECT_EQ(RowAccessibleName(L"Java", 0, L"Denetleniyor…"), L"Java: Denetleniyor…");

  struct Key {
    const wchar_t* label;
    wchar_t key;
    const wchar_t* text;
  };
  for (const Key& k : {Key{L"E-İmza rehberi", kGuideAccessKey, L"&E-İmza rehberi"},
                       Key{L"Sistem kontrolü", kCheckAccessKey, L"Sistem &kontrolü"},
                       Key{L"Yeniden kontrol et", kCheckAccessKey, L"Yeniden &kontrol et"},
                       Key{L"Kontrol ediliyor…", kCheckAccessKey, L"&Kontrol ediliyor…"},
                       Key{L"AKİS DLL'lerini kur", kInstallAccessKey, L"AKİS &DLL'lerini kur"},
                       Key{L"DLL'leri doğrula", kInstallAccessKey, L"&DLL'leri doğrula"},
                       Key{L"Raporu kopyala", kCopyAccessKey, L"&Raporu kopyala"},
                       Key{L"A & B", L'B', L"A && &B"}, Key{L"Yok", L'Z', L"Yok"}}) {
    EXPECT_EQ(WithAccessKey(k.label, k.key), k.text);
  }
}

}  // namespace
}  // namespace tavlun
