#include "shell/commands.h"

namespace vantile {

bool KeyBinding::Matches(int key_code, int shift_bits) const {
  if (key == 0 || key_code != key) return false;
  switch (shift) {
    case KeyShift::Ctrl: return shift_bits == kCtrlBit;
    case KeyShift::Nothing: return shift_bits == 0;
    case KeyShift::Any: return true;
  }
  return false;
}

const CommandRow* CommandForMenuItem(int id) {
  for (const CommandRow& row : kCommandTable) {
    if (row.has_menu_item() && row.menu_id == id) return &row;
  }
  return nullptr;
}

const CommandRow* CommandForKey(int key_code, int shift_bits) {
  for (const CommandRow& row : kCommandTable) {
    for (const KeyBinding& binding : row.keys) {
      if (binding.Matches(key_code, shift_bits)) return &row;
    }
  }
  return nullptr;
}

std::string KeyLabel(const KeyBinding& binding) {
  std::string label = binding.shift == KeyShift::Ctrl ? "Ctrl+" : "";
  if (binding.key >= FunctionKey(1) && binding.key <= FunctionKey(24)) {
    label += 'F' + std::to_string(binding.key - FunctionKey(0));
  } else {
    // Digits and letters have their own character as their code.
    label += static_cast<char>(binding.key);
  }
  return label;
}

std::string MenuItemText(const CommandRow& row) {
  std::string text(row.caption);
  if (row.keys[0].key != 0) {
    text += '\t';
    text += KeyLabel(row.keys[0]);
  }
  return text;
}

}  // namespace vantile
