// PropertyPage1: the editor of a LightTab's three properties. Without a form
// designer to live in, it serves the tabstrip-preview tool: a panel beside a
// live LightTab. The texts are what its text boxes show; the view writes the
// user's typing into them through Edit().
#pragma once

#include <string>

#include "dialogs/light_tab.h"

namespace vantile {

class PropertyPage1 {
 public:
  enum class Field { Caption, NumberOfTabs, ActiveTab };
  static constexpr int kHScrollMax = LightTab::kMaxTabs - 1;  // caption slots 0..9

  explicit PropertyPage1(LightTab& control) : control_(control) {}

  // The edited control was selected: load its values.
  void SelectionChanged();
  // The caption index scroll bar moved.
  void HScroll1_Change(int value);
  // The user edited one of the text boxes.
  void Edit(Field field, const std::string& text);
  // ActiveTab, then NumberOfTabs, then Caption(HScroll1) from the texts.
  // A text that is not a 16-bit number stops there; the result says which
  // ("" when everything was applied).
  std::string ApplyChanges();

  int HScroll1() const { return hscroll_; }
  std::string txtIndex = "0";
  std::string txtCaption;
  std::string txtNumberOfTabs;
  std::string txtActiveTab;
  bool Changed() const { return changed_; }

 private:
  LightTab& control_;
  int hscroll_ = 0;
  bool changed_ = false;
};

}  // namespace vantile
