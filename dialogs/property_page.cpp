#include "dialogs/property_page.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>

namespace vantile {
namespace {

std::optional<std::int16_t> ToInt16(const std::string& text) {
  std::size_t begin = text.find_first_not_of(' ');
  std::size_t end = text.find_last_not_of(' ');
  if (begin == std::string::npos) return std::nullopt;
  const char* first = text.data() + begin;
  const char* last = text.data() + end + 1;
  if (*first == '+') ++first;
  int value = 0;
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last || value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max())
    return std::nullopt;
  return static_cast<std::int16_t>(value);
}

std::string NotANumber(const char* label, const std::string& text) {
  return std::string(label) + " \"" + text + "\" is not a number from -32768 to 32767.";
}

}  // namespace

void PropertyPage1::SelectionChanged() {
  txtActiveTab = std::to_string(control_.ActiveTab());
  txtNumberOfTabs = std::to_string(control_.NumberOfTabs());
  txtCaption = control_.Caption(hscroll_);
  changed_ = false;
}

void PropertyPage1::HScroll1_Change(int value) {
  hscroll_ = std::clamp(value, 0, kHScrollMax);
  txtIndex = std::to_string(hscroll_);
  txtCaption = control_.Caption(hscroll_);
}

void PropertyPage1::Edit(Field field, const std::string& text) {
  switch (field) {
    case Field::Caption: txtCaption = text; break;
    case Field::NumberOfTabs: txtNumberOfTabs = text; break;
    case Field::ActiveTab: txtActiveTab = text; break;
  }
  changed_ = true;
}

std::string PropertyPage1::ApplyChanges() {
  std::optional<std::int16_t> active = ToInt16(txtActiveTab);
  if (!active) return NotANumber("ActiveTab:", txtActiveTab);
  control_.SetActiveTab(*active);
  std::optional<std::int16_t> tabs = ToInt16(txtNumberOfTabs);
  if (!tabs) return NotANumber("Tabs:", txtNumberOfTabs);
  control_.SetNumberOfTabs(*tabs);
  control_.SetCaption(hscroll_, txtCaption);
  changed_ = false;
  return "";
}

}  // namespace vantile
