// The provider guide's records and texts: which official pages each certificate provider gets, and the content of
// the detail dialog with its safety lines. Pure: the dialogs themselves are in provider_guide_win.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace tavlun {

// Which card type the guide asks about before the details.
enum class CardQuestion : int {
  None = 0,            // the record's own selection label stands
  AkisOrEToken = 1,    // 2301, 2302, 2304
  AkisOrSafeSign = 2,  // 2301, 2303, 2304
};

struct GuideLink {
  const wchar_t* text;
  const wchar_t* url;  // an entry of kOfficialLinkAllowlist
};

struct CardChoiceButton {
  int id;
  const wchar_t* text;
};

struct ProviderGuideEntry {
  int id;                   // command-link id in the provider dialog
  const wchar_t* choiceText;  // "Name\nnote line"
  const wchar_t* name;
  CardQuestion cardChoice;
  const wchar_t* selection;  // empty unless cardChoice is None
  bool selectionIsAkis;      // the selection is an AKİS card (cardChoice None); decides the install-button warning
  const wchar_t* steps;
  const wchar_t* securityNote;
  GuideLink links[2];
};

inline constexpr std::size_t kProviderCount = 8;
extern const ProviderGuideEntry kProviderGuide[kProviderCount];

// nullptr for an id that is not in the table.
const ProviderGuideEntry* FindProviderEntry(int id);

// Button ids of the guide's dialogs.
inline constexpr int kCardAkis = 2301;
inline constexpr int kCardEToken = 2302;
inline constexpr int kCardSafeSign = 2303;
inline constexpr int kCardUnknown = 2304;
inline constexpr int kGuideLink1 = 2201;
inline constexpr int kGuideLink2 = 2202;
inline constexpr int kGuideBackToProviders = 2203;
// The provider list in two pages, so that it fits a small screen: each page's link to the other.
inline constexpr int kGuideMoreProviders = 2109;
inline constexpr int kGuideFirstProviders = 2110;

// The buttons of a page of the provider list (0 or 1): three providers, the link to the second page and
// "Bilmiyorum / Diğer" last, as the content advises; then four providers and the way back.
std::vector<CardChoiceButton> ProviderPageButtons(int page);

// Width of every guide dialog, in dialog units: wide enough that the explanations wrap into few lines, narrow
// enough for a 1024-pixel screen at 100 % and a 1366-pixel screen at 150 %.
inline constexpr unsigned kGuideDialogWidth = 400;


// The three card-type buttons of a record that asks (the "back" button is added by the dialog).
std::array<CardChoiceButton, 3> CardChoiceButtons(CardQuestion question);

// The selection label of a card-type answer; empty for any other id.
std::wstring CardSelectionLabel(int card_choice_id);

// What the detail dialog names as chosen: the record's own selection, or the card-type answer's label (empty for
// an id that is no answer).
std::wstring SelectionLabel(const ProviderGuideEntry& entry, int card_choice_id);

// The detail dialog's content: selection, steps, the warning not to use the install button when the selection is
// not AKİS (quoting install_button_label, the text the button shows; empty when the button cannot be pressed, and
// then only the advice to follow the provider's package), E-Güven's deletion-command warning and the PIN line.
std::wstring ProviderDetailContent(const ProviderGuideEntry& entry, int card_choice_id,
                                   const std::wstring& install_button_label);

// The two links of the detail dialog: E-Güven's first link follows the card type, every other record's stand.
std::array<GuideLink, 2> ProviderDetailLinks(const ProviderGuideEntry& entry, int card_choice_id);

// "<text>\n<short host> — tarayıcıda açılır"
std::wstring LinkButtonText(const GuideLink& link);

// Texts of the guide's dialogs.
inline constexpr wchar_t kGuideWindowTitle[] = L"Tavlun — E-İmza Rehberi";
inline constexpr wchar_t kGuideProviderInstruction[] = L"Sertifikanızı veren sağlayıcıyı seçin";
inline constexpr wchar_t kGuideProviderContent[] =
    L"AKİS, SafeSign ve E-Token kart ara yazılımlarıdır; PALMA ve ArkSigner ise kart/imzalama istemcileridir. "
    L"Sertifika sağlayıcınız farklı olabilir. Emin değilseniz son seçeneği kullanın.";
inline constexpr wchar_t kGuideProviderContentSecondPage[] =
    L"AKİS, SafeSign ve E-Token kart ara yazılımlarıdır; PALMA ve ArkSigner ise kart/imzalama istemcileridir. "
    L"Sertifika sağlayıcınız farklı olabilir. Emin değilseniz önceki sayfadaki “Bilmiyorum / Diğer” seçeneğini "
    L"kullanın.";
inline constexpr wchar_t kGuideProviderFooter[] =
    L"Fiziksel akıllı kart/USB token içindir. T.C. Kimlik Kartı, mobil/uzak imza ve e-mühür için sağlayıcınızın "
    L"ilgili rehberini kullanın. Rehberdeki sağlayıcılar BTK listesiyle doğrulandı.";
inline constexpr wchar_t kGuideCardInstructionSuffix[] = L" kart/token veya yönetim yazılımı";
inline constexpr wchar_t kGuideCardContent[] =
    L"Yanlış kart/token ya da yazılım türünü seçmek uyumsuz sürücü kurulmasına yol açabilir. Etiket veya teslim "
    L"e-postasıyla eşleşen seçeneği kullanın.";
inline constexpr wchar_t kGuideBackText[] = L"Sağlayıcı seçimine dön";
inline constexpr wchar_t kGuideDetailFooter[] =
    L"Yalnız izin verilen resmî HTTPS sayfası açılır; uygulama kurulum dosyası indirmez veya çalıştırmaz. "
    L"Bağlantılar son doğrulama: 16.09.2026";
inline constexpr wchar_t kGuideNoteExpanded[] = L"Güvenlik notunu gizle";
inline constexpr wchar_t kGuideNoteCollapsed[] = L"Önemli güvenlik notunu göster";
inline constexpr wchar_t kGuideUnavailable[] = L"E-imza sağlayıcı rehberi açılamadı.";
inline constexpr wchar_t kOfficialLinkFailed[] = L"Resmî bağlantı açılamadı.";
// An elevated window does not start the browser itself (web content would run as administrator); when the desktop
// shell cannot take the address either, the user reads it instead.
inline constexpr wchar_t kOfficialLinkShownInstead[] =
    L"Program yönetici haklarıyla çalıştığı için tarayıcı güvenlik nedeniyle buradan açılmadı. Aşağıdaki resmî "
    L"adresi tarayıcınızın adres çubuğuna kendiniz yazın:\n\n";

}  // namespace tavlun
