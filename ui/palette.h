// The window's colours, each named once: painting, the static controls' text, the status accents, the icon script
// (scripts/make-icons reads kAccent from here), the window benchmark and the pixel tests all take them from this
// table. High contrast replaces every one of them with system colours. Pure: no Windows headers.
#pragma once

#include <cstdint>

namespace tavlun {

// An RGB colour with the layout of a Windows COLORREF (red in the low byte).
using Colour = std::uint32_t;
constexpr Colour Rgb(unsigned red, unsigned green, unsigned blue) {
  return static_cast<Colour>((red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16));
}

namespace palette {

// The brand colour: header band, titles and body text, the install button's face.
inline constexpr Colour kAccent = Rgb(19, 46, 57);
inline constexpr Colour kAccentHover = Rgb(36, 71, 87);    // install button under the mouse
inline constexpr Colour kAccentPressed = Rgb(13, 32, 41);  // install button held down
inline constexpr Colour kTagline = Rgb(194, 220, 168);     // the tagline on the band, the install button's tick

inline constexpr Colour kBackground = Rgb(246, 247, 243);  // also the brand name on the band
inline constexpr Colour kWhite = Rgb(255, 255, 255);
inline constexpr Colour kCardBorder = Rgb(225, 230, 225);
inline constexpr Colour kStatusShadow = Rgb(220, 226, 219);
inline constexpr Colour kCardShadow = Rgb(224, 230, 223);
inline constexpr Colour kSoftLine = Rgb(234, 240, 231);     // also the other buttons' hover face
inline constexpr Colour kButtonBorder = Rgb(182, 198, 174);  // the other buttons' border
inline constexpr Colour kButtonPressed = Rgb(220, 228, 218);  // the other buttons' face held down
inline constexpr Colour kDisabled = Rgb(156, 173, 156);      // disabled button face, border or text

// Status accents and badges.
inline constexpr Colour kReadyGreen = Rgb(66, 101, 80);
inline constexpr Colour kAttentionAmber = Rgb(161, 92, 0);
inline constexpr Colour kMissingRed = Rgb(196, 43, 28);
inline constexpr Colour kPendingGrey = Rgb(86, 102, 110);  // also secondary text: status detail, footer

// The scope note.
inline constexpr Colour kNoteFill = Rgb(255, 248, 225);
inline constexpr Colour kNoteBorder = Rgb(240, 211, 135);
inline constexpr Colour kNoteTriangle = Rgb(158, 96, 0);
inline constexpr Colour kNoteText = Rgb(105, 72, 16);

}  // namespace palette
}  // namespace tavlun
