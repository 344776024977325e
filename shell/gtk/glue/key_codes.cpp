#include "shell/gtk/glue/key_codes.h"

#include <string_view>

namespace vantile {

namespace {

int FromKeyval(guint key) {
  if (key >= GDK_KEY_a && key <= GDK_KEY_z) return 'A' + static_cast<int>(key - GDK_KEY_a);
  if (key >= GDK_KEY_A && key <= GDK_KEY_Z) return 'A' + static_cast<int>(key - GDK_KEY_A);
  if (key >= GDK_KEY_0 && key <= GDK_KEY_9) return '0' + static_cast<int>(key - GDK_KEY_0);
  if (key >= GDK_KEY_KP_0 && key <= GDK_KEY_KP_9) return 0x60 + static_cast<int>(key - GDK_KEY_KP_0);
  if (key >= GDK_KEY_F1 && key <= GDK_KEY_F24) return 0x70 + static_cast<int>(key - GDK_KEY_F1);
  switch (key) {
    case GDK_KEY_BackSpace: return 0x08;
    case GDK_KEY_Tab: case GDK_KEY_ISO_Left_Tab: return 0x09;
    case GDK_KEY_Return: case GDK_KEY_KP_Enter: return 0x0D;
    case GDK_KEY_Shift_L: case GDK_KEY_Shift_R: return 0x10;
    case GDK_KEY_Control_L: case GDK_KEY_Control_R: return 0x11;
    case GDK_KEY_Alt_L: case GDK_KEY_Alt_R: return 0x12;
    case GDK_KEY_Pause: return 0x13;
    case GDK_KEY_Caps_Lock: return 0x14;
    case GDK_KEY_Escape: return 0x1B;
    case GDK_KEY_space: return 0x20;
    case GDK_KEY_Page_Up: return 0x21;
    case GDK_KEY_Page_Down: return 0x22;
    case GDK_KEY_End: return 0x23;
    case GDK_KEY_Home: return 0x24;
    case GDK_KEY_Left: return 0x25;
    case GDK_KEY_Up: return 0x26;
    case GDK_KEY_Right: return 0x27;
    case GDK_KEY_Down: return 0x28;
    case GDK_KEY_Insert: return 0x2D;
    case GDK_KEY_Delete: return 0x2E;
    case GDK_KEY_Super_L: return 0x5B;
    case GDK_KEY_Super_R: return 0x5C;
    case GDK_KEY_Menu: return 0x5D;
    default: return 0;
  }
}

bool IsLatinLetterOrDigit(guint key) {
  return (key >= GDK_KEY_a && key <= GDK_KEY_z) || (key >= GDK_KEY_A && key <= GDK_KEY_Z) ||
         (key >= GDK_KEY_0 && key <= GDK_KEY_9);
}

// The letter or digit printed on a key of a PC keyboard, by its hardware
// code (evdev's, plus 8, as X servers and Wayland compositors give it): the
// key codes Windows gives a layout without Latin letters.
int LetterOfKeycode(guint16 keycode) {
  static constexpr char kRows[][11] = {"1234567890", "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  static constexpr guint16 kFirst[] = {10, 24, 38, 52};
  for (std::size_t row = 0; row < 4; ++row) {
    const std::string_view keys = kRows[row];
    if (keycode >= kFirst[row] && keycode < kFirst[row] + keys.size()) return keys[keycode - kFirst[row]];
  }
  return 0;
}

}  // namespace

int VirtualKeyCode(const GdkEventKey& event) {
  // The symbol on the key's first level, whatever modifiers are held.
  guint base = event.keyval;
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_window_get_display(event.window));
  guint unshifted = 0;
  if (keymap && gdk_keymap_translate_keyboard_state(keymap, event.hardware_keycode, static_cast<GdkModifierType>(0),
                                                    event.group, &unshifted, nullptr, nullptr, nullptr)) {
    base = unshifted;
  }
  if (const int code = FromKeyval(base) ? FromKeyval(base) : FromKeyval(event.keyval)) return code;
  // A layout without Latin letters (Russian, Greek, Hebrew, Arabic ...): the
  // shortcuts go by the key, as GTK matches its own accelerators: the Latin
  // letter the same key gives in another layout of the keymap, else the
  // letter printed on it.
  for (gint group = 0; keymap && group < 4; ++group) {
    guint other = 0;
    if (group != event.group &&
        gdk_keymap_translate_keyboard_state(keymap, event.hardware_keycode, static_cast<GdkModifierType>(0), group,
                                            &other, nullptr, nullptr, nullptr) &&
        IsLatinLetterOrDigit(other)) {
      return FromKeyval(other);
    }
  }
  return LetterOfKeycode(event.hardware_keycode);
}

int ShiftBits(const GdkEventKey& event) {
  int bits = 0;
  if (event.state & GDK_SHIFT_MASK) bits |= 1;
  if (event.state & GDK_CONTROL_MASK) bits |= 2;
  if (event.state & GDK_MOD1_MASK) bits |= 4;
  return bits;
}

}  // namespace vantile
