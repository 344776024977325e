#include "dialogs/light_tab.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vantile {
namespace {

// A caption no wider than this keeps ten tabs' positions inside 16 bits.
constexpr int kMaxTabWidth = 3000;

std::int16_t ClampTabs(int value) {
  return static_cast<std::int16_t>(std::clamp(value, 1, LightTab::kMaxTabs));
}

// Whole pixels, halves to the even neighbour (the rounding of an integer
// assignment in the toolkit the control comes from).
int RoundHalfEven(double value) {
  double floor_value = std::floor(value);
  double fraction = value - floor_value;
  if (fraction > 0.5) return static_cast<int>(floor_value) + 1;
  if (fraction < 0.5) return static_cast<int>(floor_value);
  int lower = static_cast<int>(floor_value);
  return lower % 2 == 0 ? lower : lower + 1;
}

bool ParseInt(const std::string& text, int& value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

}  // namespace

std::string LightTab::Caption(int index) const {
  if (index < 0) return "";
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) {
    std::size_t bar = caption_.find('|', start);
    if (bar == std::string::npos) return "";
    start = bar + 1;
  }
  std::size_t bar = caption_.find('|', start);
  return caption_.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
}

std::string LightTab::SetCaptionPart(std::string_view caption, int index, std::string_view text) {
  std::string result(caption);
  if (index < 0) return result;
  // Piece `index` ends at bar number index + 1; a text with fewer bars gets
  // empty pieces appended, so the new piece is followed by its bar too.
  auto bars = static_cast<int>(std::count(result.begin(), result.end(), '|'));
  if (bars < index + 1) result.append(static_cast<std::size_t>(index + 1 - bars), '|');
  std::size_t p = 0;
  for (int i = 0; i < index; ++i) p = result.find('|', p) + 1;
  std::size_t e = result.find('|', p);
  return result.substr(0, p) + std::string(text) + result.substr(e);
}

void LightTab::SetCaption(int index, std::string_view New_Caption) {
  caption_ = SetCaptionPart(caption_, index, New_Caption);
  changed_["Caption"] = true;
  DrawTabs();
}

void LightTab::SetNumberOfTabs(std::int16_t New_NumberOfTabs) {
  std::int16_t number = ClampTabs(New_NumberOfTabs);
  if (active_tab_ >= number) active_tab_ = 0;
  number_of_tabs_ = number;
  changed_["NumberOfTabs"] = true;
  DrawTabs();
}

void LightTab::SetActiveTab(std::int16_t New_ActiveTab) {
  active_tab_ = std::clamp<std::int16_t>(New_ActiveTab, 0, static_cast<std::int16_t>(number_of_tabs_ - 1));
  changed_["ActiveTab"] = true;
  ShowActiveTab(active_tab_, true);
}

void LightTab::ReadProperties(const PropertyBag& bag) {
  auto caption = bag.find("Caption");
  caption_ = caption != bag.end() ? caption->second : kDefaultCaption;
  int value = kDefaultNumberOfTabs;
  auto tabs = bag.find("NumberOfTabs");
  if (tabs == bag.end() || !ParseInt(tabs->second, value)) value = kDefaultNumberOfTabs;
  number_of_tabs_ = ClampTabs(value);
  value = 0;
  auto active = bag.find("ActiveTab");
  if (active == bag.end() || !ParseInt(active->second, value)) value = 0;
  active_tab_ = static_cast<std::int16_t>(std::clamp(value, 0, number_of_tabs_ - 1));
}

void LightTab::WriteProperties(PropertyBag& bag) const {
  if (caption_ != kDefaultCaption) bag["Caption"] = caption_;
  if (number_of_tabs_ != kDefaultNumberOfTabs) bag["NumberOfTabs"] = std::to_string(number_of_tabs_);
  if (active_tab_ != 0) bag["ActiveTab"] = std::to_string(active_tab_);
}

void LightTab::MoveTo(TabSurface surface, int x, int y) {
  PenOf(surface).x = x;
  PenOf(surface).y = y;
}

void LightTab::LineTo(TabSurface surface, int x, int y) {
  struct Pen& pen = PenOf(surface);
  canvas_->Line(surface, pen.x, pen.y, x, y, pen.colour);
  pen.x = x;
  pen.y = y;
}

void LightTab::Print(TabSurface surface, int x, int y, std::string_view text) {
  canvas_->Print(surface, x, y, text, PenOf(surface).colour);
}

void LightTab::ClearSurface(TabSurface surface) {
  canvas_->Clear(surface);
  MoveTo(surface, 0, 0);
}

void LightTab::Resize(int width, int height) {
  sized_ = true;
  width_ = width;
  height_ = height;
  focus_rect_ = TabRect{4, 3, focus_rect_.right, 19};
  tab_left_[0] = 2;
  if (canvas_) canvas_->Place(TabSurface::TabStrip, kStripLeft, kStripTop, width_, kStripHeight);
  edge_colours_ = {TabColour::White, TabColour::LightGrey, TabColour::Black, TabColour::AppWorkspace};
  if (!canvas_) return;
  DrawFrame();
  DrawTabs();
}

void LightTab::DrawFrame() {
  const TabSurface s = TabSurface::Control;
  ClearSurface(s);
  const int w = width_, h = height_;
  for (int k = 1; k <= 2; ++k) {
    MoveTo(s, k, h - k);
    SetColour(s, edge_colours_[static_cast<std::size_t>(k - 1)]);
    LineTo(s, k, k + 18);
    LineTo(s, w - k, k + 18);
    SetColour(s, edge_colours_[static_cast<std::size_t>(k + 1)]);
    LineTo(s, w - k, h - k);
    LineTo(s, k, h - k);
  }
  canvas_->Refresh(s);
}

void LightTab::DrawTabEdge(TabSurface surface, bool highlight, int index) {
  int l, r, h, y0, b;
  if (highlight) {
    l = 0;
    r = highlight_.right - highlight_.left;
    h = highlight_.bottom - highlight_.top;
    y0 = 2;
    b = 1;
  } else {
    l = tab_left_[static_cast<std::size_t>(index)];
    r = l + tab_width_[static_cast<std::size_t>(index)];
    h = kStripHeight;
    y0 = 1;
    b = 0;
  }
  // The raised first tab's left edge runs to the bottom, joining the frame.
  if (active_tab_ == 0) y0 = 0;
  for (int k = 0; k <= 1; ++k) {
    MoveTo(surface, l + k, h - y0);
    SetColour(surface, edge_colours_[static_cast<std::size_t>(k)]);
    LineTo(surface, l + k, 2);
    LineTo(surface, l + 2, k);
    LineTo(surface, r - 2, k);
    MoveTo(surface, r - 2, k + 1);
    SetColour(surface, edge_colours_[static_cast<std::size_t>(k + 2)]);
    LineTo(surface, r - k - 1, 2);
    LineTo(surface, r - k - 1, h - b);
  }
  // Captions printed next are black.
  SetColour(surface, edge_colours_[2]);
}

void LightTab::DrawTabs() {
  if (!Drawing()) return;
  const TabSurface s = TabSurface::TabStrip;
  ClearSurface(s);
  for (int i = 0; i < number_of_tabs_; ++i) {
    const auto slot = static_cast<std::size_t>(i);
    std::string text = Caption(i);
    int width = RoundHalfEven(canvas_->TextWidth(s, text) + 15);
    tab_width_[slot] = static_cast<std::int16_t>(std::clamp(width, 0, kMaxTabWidth));
    if (i > 0) tab_left_[slot] = static_cast<std::int16_t>(tab_left_[slot - 1] + tab_width_[slot - 1]);
    DrawTabEdge(s, false, i);
    Print(s, tab_left_[slot] + 5, 3, text);
  }
  canvas_->Refresh(s);
  ShowActiveTab(active_tab_, false);
}

void LightTab::ShowActiveTab(std::int16_t index, bool notify) {
  if (Drawing()) {
    const TabSurface s = TabSurface::HighlightTab;
    const auto slot = static_cast<std::size_t>(index);
    canvas_->SetVisible(s, false);
    ClearSurface(s);
    focus_shown_ = false;
    const int left = tab_left_[slot] - 1;
    const int top = kStripTop - 2;
    highlight_ = TabRect{left, top, left + tab_width_[slot] + 6, top + kStripHeight + 4};
    canvas_->Place(s, highlight_.left, highlight_.top, highlight_.right - highlight_.left,
                   highlight_.bottom - highlight_.top);
    DrawTabEdge(s, true, 0);
    Print(s, 9, 4, Caption(index));
    canvas_->SetVisible(s, true);
    canvas_->Refresh(s);
  }
  if (notify && AfterTabChange) AfterTabChange(index);
}

void LightTab::TabStrip_MouseDown(int x, int /*y*/) {
  if (!Drawing()) return;
  const int n = number_of_tabs_;
  const int last = tab_left_[static_cast<std::size_t>(n - 1)] + tab_width_[static_cast<std::size_t>(n - 1)];
  if (!(tab_left_[0] < x && x <= last)) return;
  int i = 0;
  while (i < n && tab_left_[static_cast<std::size_t>(i)] < x) ++i;
  const auto tab = static_cast<std::int16_t>(i - 1);
  if (tab != active_tab_) {
    active_tab_ = tab;
    ShowActiveTab(tab, true);
  }
  DrawFocus();
}

void LightTab::DrawFocus() {
  focus_rect_.right = highlight_.right - highlight_.left - 3;
  canvas_->InvertFocusRect(TabSurface::HighlightTab, focus_rect_);
  focus_shown_ = !focus_shown_;
  canvas_->Refresh(TabSurface::HighlightTab);
}

void LightTab::TabStrip_KeyDown(TabKey key) {
  if (!Drawing()) return;
  const int last = number_of_tabs_ - 1;
  int tab = active_tab_;
  switch (key) {
    case TabKey::Left: tab = std::max(0, tab - 1); break;
    case TabKey::Right: tab = std::min(last, tab + 1); break;
    case TabKey::Home: tab = 0; break;
    case TabKey::End: tab = last; break;
  }
  if (tab == active_tab_) return;
  active_tab_ = static_cast<std::int16_t>(tab);
  ShowActiveTab(active_tab_, true);
  DrawFocus();
}

void LightTab::GotFocus() {
  if (Drawing() && !focus_shown_) DrawFocus();
}

std::int16_t LightTab::TabAfter(int step) const {
  return static_cast<std::int16_t>(((active_tab_ + step) % number_of_tabs_ + number_of_tabs_) % number_of_tabs_);
}

void LightTab::LostFocus() {
  if (Drawing() && focus_shown_) DrawFocus();
}

}  // namespace vantile
