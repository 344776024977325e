// LightTab: a small self-drawn tab strip, a row of up to ten tabs across the
// top of a raised panel. The caller lays its own page content over the panel
// and switches pages when AfterTabChange reports a new active tab.
//
// The control is three surfaces: its own (the panel and its frame), the
// borderless strip of inactive tabs, and the raised active tab laid over it.
// Everything is drawn at fixed moments (resize, property changes, clicks)
// with move-to/line-to lines, printed text and an inverting focus rectangle,
// emitted onto a TabCanvas. The surfaces keep what was drawn; there is no
// paint step of its own. Drawing as data lets tests check every line.
//
// Limits: 1 to 10 tabs (the position tables hold 10 entries). Values outside
// are clamped where they are set: NumberOfTabs to 1..10, ActiveTab to
// 0..NumberOfTabs-1; a caption that is missing reads and draws as "".
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace vantile {

enum class TabSurface { Control, TabStrip, HighlightTab };

// The colours the control draws with. The last three are system colours the
// toolkit maps onto its theme.
enum class TabColour { White, LightGrey, Black, AppWorkspace, Menu, WindowText };

struct TabRect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  bool operator==(const TabRect&) const = default;
};

// Where the control's drawing goes. Lines follow the move-to/line-to rule:
// every pixel from `from` towards `to` is painted except `to` itself.
class TabCanvas {
 public:
  virtual ~TabCanvas() = default;
  // Width in pixels of `text` in the surface's font (may be fractional).
  virtual double TextWidth(TabSurface surface, std::string_view text) = 0;
  // Fills the surface with its background colour.
  virtual void Clear(TabSurface surface) = 0;
  virtual void Line(TabSurface surface, int x0, int y0, int x1, int y1, TabColour colour) = 0;
  // `text` with its top-left corner at x, y.
  virtual void Print(TabSurface surface, int x, int y, std::string_view text, TabColour colour) = 0;
  // Inverts a dotted rectangle outline; inverting it again removes it.
  virtual void InvertFocusRect(TabSurface surface, const TabRect& rect) = 0;
  // Position and size of a child surface in the control's coordinates.
  virtual void Place(TabSurface surface, int left, int top, int width, int height) = 0;
  virtual void SetVisible(TabSurface surface, bool visible) = 0;
  // Shows what was drawn on the surface so far.
  virtual void Refresh(TabSurface surface) = 0;
};

class LightTab {
 public:
  static constexpr int kMaxTabs = 10;
  static constexpr const char* kDefaultCaption = "Tab0|Tab1|Tab2|Tab3|Tab4|Tab5|Tab6|Tab7|Tab8|Tab9|";
  static constexpr std::int16_t kDefaultNumberOfTabs = 4;
  static constexpr std::int16_t kStripLeft = 3;
  static constexpr std::int16_t kStripTop = 2;
  static constexpr std::int16_t kStripHeight = 17;

  // Raised with the index of the tab that has just become active: after a
  // click on another tab and after every set of ActiveTab.
  std::function<void(std::int16_t index)> AfterTabChange;

  // Null draws nothing (a control not on screen).
  void SetCanvas(TabCanvas* canvas) { canvas_ = canvas; }

  // Caption(index): the index-th piece of the caption text split at "|".
  std::string Caption(int index) const;
  void SetCaption(int index, std::string_view New_Caption);
  // The whole "|"-separated caption text.
  const std::string& CaptionText() const { return caption_; }
  std::int16_t NumberOfTabs() const { return number_of_tabs_; }
  void SetNumberOfTabs(std::int16_t New_NumberOfTabs);
  std::int16_t ActiveTab() const { return active_tab_; }
  void SetActiveTab(std::int16_t New_ActiveTab);

  // Stored properties ("Caption", "NumberOfTabs", "ActiveTab"); missing
  // ones take the defaults. Reading and writing do not draw.
  using PropertyBag = std::map<std::string, std::string>;
  void ReadProperties(const PropertyBag& bag);
  // Values equal to their defaults are left out.
  void WriteProperties(PropertyBag& bag) const;
  // Names of the properties set since the last write ("Caption" ...).
  const std::map<std::string, bool>& Changed() const { return changed_; }

  // The control was sized (also when first shown): inner width and height.
  // Rebuilds the frame and the tabs from scratch.
  void Resize(int width, int height);
  // A button press on the tab strip, in the strip's coordinates.
  void TabStrip_MouseDown(int x, int y);
  // The control lost the keyboard focus.
  void LostFocus();

  // What the platform adds for the keyboard: the keys that move along the
  // strip while it has the focus, as on every toolkit's tab row.
  enum class TabKey { Left, Right, Home, End };
  // Moves to the previous, next, first or last tab exactly as a click on it
  // would (AfterTabChange, the focus rectangle); at either end nothing
  // happens.
  void TabStrip_KeyDown(TabKey key);
  // The strip got the keyboard focus other than by a click (Tab): the focus
  // rectangle shows where it is.
  void GotFocus();
  // The tab `step` tabs away from the active one, wrapping around (for the
  // dialog's Ctrl+Page Down and Ctrl+Tab).
  std::int16_t TabAfter(int step) const;

  // Working state, for the toolkit's hit testing and for tests.
  std::int16_t TabLeft(int index) const { return tab_left_.at(static_cast<std::size_t>(index)); }
  std::int16_t TabWidth(int index) const { return tab_width_.at(static_cast<std::size_t>(index)); }
  TabRect FocusRect() const { return focus_rect_; }
  TabRect HighlightBounds() const { return highlight_; }

  // The piece `index` of `caption` replaced by `text`, the bars kept where
  // they were. Missing pieces are added empty first.
  static std::string SetCaptionPart(std::string_view caption, int index, std::string_view text);

 private:
  struct Pen {
    int x = 0, y = 0;
    TabColour colour = TabColour::WindowText;
  };

  bool Drawing() const { return canvas_ && sized_; }
  void MoveTo(TabSurface surface, int x, int y);
  void LineTo(TabSurface surface, int x, int y);
  void SetColour(TabSurface surface, TabColour colour) { PenOf(surface).colour = colour; }
  Pen& PenOf(TabSurface surface) { return pens_[static_cast<std::size_t>(surface)]; }
  void Print(TabSurface surface, int x, int y, std::string_view text);
  void ClearSurface(TabSurface surface);

  void DrawFrame();
  void DrawTabEdge(TabSurface surface, bool highlight, int index);
  void DrawTabs();
  void ShowActiveTab(std::int16_t index, bool notify);
  void DrawFocus();

  TabCanvas* canvas_ = nullptr;
  std::string caption_ = kDefaultCaption;
  std::int16_t number_of_tabs_ = kDefaultNumberOfTabs;
  std::int16_t active_tab_ = 0;
  std::map<std::string, bool> changed_;

  bool sized_ = false;
  int width_ = 0;
  int height_ = 0;
  std::array<std::int16_t, kMaxTabs> tab_left_{};
  std::array<std::int16_t, kMaxTabs> tab_width_{};
  std::array<TabColour, 4> edge_colours_{TabColour::White, TabColour::LightGrey, TabColour::Black,
                                         TabColour::AppWorkspace};
  TabRect focus_rect_{4, 3, 0, 19};
  TabRect highlight_{};
  std::array<Pen, 3> pens_{};
  // Whether the focus rectangle is showing, so that losing the focus never
  // draws one that a click did not.
  bool focus_shown_ = false;
};

}  // namespace vantile
