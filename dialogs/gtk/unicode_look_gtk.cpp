#include "dialogs/gtk/unicode_look_gtk.h"

#include <glib.h>

namespace vantile {

namespace {

// Default-ignorable code points that GLib's tables file under letters or
// marks, so that no category test finds them: the Hangul fillers, the
// combining grapheme joiner, the Khmer inherent vowels, the Mongolian and
// standard variation selectors.
bool IsIgnorableLetterOrMark(char32_t c) {
  return c == 0x034F || c == 0x115F || c == 0x1160 || c == 0x17B4 || c == 0x17B5 || (c >= 0x180B && c <= 0x180F) ||
         c == 0x3164 || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFFA0 || (c >= 0xE0100 && c <= 0xE01EF);
}

}  // namespace

Glyph UnicodeLook(char32_t c) {
  if (c > 0x10FFFF || IsIgnorableLetterOrMark(c)) return Glyph::Mark;
  const GUnicodeType type = g_unichar_type(c);
  switch (type) {
    case G_UNICODE_CONTROL:
    case G_UNICODE_FORMAT:
    case G_UNICODE_UNASSIGNED:
    case G_UNICODE_PRIVATE_USE:
    case G_UNICODE_SURROGATE:
    case G_UNICODE_LINE_SEPARATOR:
    case G_UNICODE_PARAGRAPH_SEPARATOR:
      return Glyph::Mark;
    case G_UNICODE_SPACE_SEPARATOR:
      return c == U' ' ? Glyph::Itself : Glyph::Mark;
    case G_UNICODE_NON_SPACING_MARK:
    case G_UNICODE_SPACING_MARK:
    case G_UNICODE_ENCLOSING_MARK:
      return Glyph::Combining;
    default:
      break;
  }
  // Other zero-width characters (the zero width space) show nothing; the
  // Hangul vowels and finals that GLib counts with them join a syllable.
  return !g_unichar_iszerowidth(c) || type == G_UNICODE_OTHER_LETTER ? Glyph::Itself : Glyph::Mark;
}

}  // namespace vantile
