// The window's colours in normal mode, each named once, in one table: painting, the static controls' text, the
// status accents, the icon script (scripts/make-icons reads kHeaderBand from here), the window benchmark and the
// pixel tests all take them from here. High contrast replaces every one of them with system colours. Pure: no
// Windows headers.
#pragma once

#include <cstdint>

namespace tavlun {

// An RGB colour with the layout of a Windows COLORREF (red in the low byte).
using Colour = std::uint32_t;
constexpr Colour Rgb(unsigned red, unsigned green, unsigned blue) {
  return static_cast<Colour>((red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16));
}

namespace palette {

// The brand colours: the dark header band, and the near-identical primary text and install button face with its
// hovered and pressed faces. A new brand colour changes these four lines (and the icons: scripts/make-icons).
inline constexpr Colour kHeaderBand = Rgb(19, 46, 57);
inline constexpr Colour kPrimary = Rgb(20, 45, 57);          // primary text, install button face
inline constexpr Colour kPrimaryHovered = Rgb(36, 71, 87);   // install button hovered
inline constexpr Colour kPrimaryPressed = Rgb(13, 32, 41);   // install button pressed

inline constexpr Colour kBackground = Rgb(246, 247, 243);    // window background
inline constexpr Colour kLightText = Rgb(246, 247, 243);     // light text on dark, disabled secondary face
inline constexpr Colour kWhite = Rgb(255, 255, 255);         // card fill
inline constexpr Colour kCardBorder = Rgb(225, 230, 225);    // also list separators, disabled button border
inline constexpr Colour kStatusShadow = Rgb(220, 226, 219);
inline constexpr Colour kCardShadow = Rgb(224, 230, 223);    // details and requirements cards
inline constexpr Colour kSoftLine = Rgb(234, 240, 231);      // lines in cards, selected row, hovered secondary
inline constexpr Colour kDisabled = Rgb(156, 173, 156);      // disabled install face, disabled secondary text
inline constexpr Colour kSecondaryPressed = Rgb(220, 228, 218);
inline constexpr Colour kSecondaryBorder = Rgb(182, 198, 174);
inline constexpr Colour kLightGreen = Rgb(194, 220, 168);    // install button focus ring, tagline

// Status accents and badges.
inline constexpr Colour kReadyGreen = Rgb(66, 101, 80);
inline constexpr Colour kAttentionAmber = Rgb(161, 92, 0);
inline constexpr Colour kMissingRed = Rgb(196, 43, 28);
inline constexpr Colour kPendingGrey = Rgb(86, 102, 110);    // also row detail, status detail and footer text

// The scope note.
inline constexpr Colour kNoteFill = Rgb(255, 248, 225);
inline constexpr Colour kNoteBorder = Rgb(240, 211, 135);
inline constexpr Colour kNoteTriangle = Rgb(158, 96, 0);
inline constexpr Colour kNoteText = Rgb(105, 72, 16);

}  // namespace palette
}  // namespace tavlun
