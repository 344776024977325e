// LightTab over a recording canvas whose text widths the test fixes.
#include "dialogs/light_tab.h"
#include "dialogs/property_page.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace vantile {
namespace {

const char* Name(TabSurface s) {
  switch (s) {
    case TabSurface::Control: return "control";
    case TabSurface::TabStrip: return "strip";
    case TabSurface::HighlightTab: return "raised";
  }
  return "?";
}

const char* Name(TabColour c) {
  static const char* names[] = {"white", "grey", "black", "appworkspace", "menu", "windowtext"};
  return names[static_cast<int>(c)];
}

// Writes every operation as one line of text.
class RecordingCanvas : public TabCanvas {
 public:
  std::map<std::string, double> widths;  // text -> width; others 6 px a character
  std::vector<std::string> ops;

  double TextWidth(TabSurface, std::string_view text) override {
    auto it = widths.find(std::string(text));
    return it != widths.end() ? it->second : 6.0 * static_cast<double>(text.size());
  }
  void Clear(TabSurface s) override { Add(std::string("clear ") + Name(s)); }
  void Line(TabSurface s, int x0, int y0, int x1, int y1, TabColour c) override {
    Add(std::string(Name(s)) + " line " + P(x0, y0) + "-" + P(x1, y1) + " " + Name(c));
  }
  void Print(TabSurface s, int x, int y, std::string_view text, TabColour c) override {
    Add(std::string(Name(s)) + " print " + P(x, y) + " " + std::string(text) + " " + Name(c));
  }
  void InvertFocusRect(TabSurface s, const TabRect& r) override {
    Add(std::string(Name(s)) + " focus " + P(r.left, r.top) + "-" + P(r.right, r.bottom));
  }
  void Place(TabSurface s, int l, int t, int w, int h) override {
    Add(std::string("place ") + Name(s) + " " + P(l, t) + " " + P(w, h));
  }
  void SetVisible(TabSurface s, bool v) override { Add(std::string(v ? "show " : "hide ") + Name(s)); }
  void Refresh(TabSurface) override {}

  std::vector<std::string> Take() { return std::exchange(ops, {}); }
  std::vector<std::string> Matching(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& op : ops)
      if (op.rfind(prefix, 0) == 0) out.push_back(op);
    return out;
  }

 private:
  static std::string P(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
  void Add(std::string op) { ops.push_back(std::move(op)); }
};

using Ops = std::vector<std::string>;

struct LightTabTest : ::testing::Test {
  LightTab tab;
  RecordingCanvas canvas;
  std::vector<int> events;

  void SetUp() override {
    tab.SetCanvas(&canvas);
    tab.AfterTabChange = [this](std::int16_t index) { events.push_back(index); };
  }
};

TEST_F(LightTabTest, TabsAreTheirTextWidthPlusFifteenInARowFromTwo) {
  // Halves go to the even neighbour: 20.5 + 15 -> 36, 21.5 + 15 -> 36.
  canvas.widths = {{"Tab0", 20.5}, {"Tab1", 21.5}, {"Tab2", 10.4}, {"Tab3", 10.6}};
  tab.Resize(200, 100);
  const int lefts[] = {2, 38, 74, 99};
  const int widths[] = {36, 36, 25, 26};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(tab.TabLeft(i), lefts[i]) << i;
    EXPECT_EQ(tab.TabWidth(i), widths[i]) << i;
  }
  EXPECT_EQ(canvas.Matching("strip print"),
            (Ops{"strip print 7,3 Tab0 black", "strip print 43,3 Tab1 black", "strip print 79,3 Tab2 black",
                 "strip print 104,3 Tab3 black"}));
  EXPECT_EQ(canvas.Matching("place"), (Ops{"place strip 3,2 200,17", "place raised 1,0 42,21"}));
  EXPECT_TRUE(events.empty()) << "a resize raises no event";
}

TEST_F(LightTabTest, FrameIsTwoRaisedRingsBelowTheTabRow) {
  tab.Resize(100, 50);
  EXPECT_EQ(canvas.Matching("control"),
            (Ops{"control line 1,49-1,19 white", "control line 1,19-99,19 white", "control line 99,19-99,49 black",
                 "control line 99,49-1,49 black", "control line 2,48-2,20 grey", "control line 2,20-98,20 grey",
                 "control line 98,20-98,48 appworkspace", "control line 98,48-2,48 appworkspace"}));
}

TEST_F(LightTabTest, TabOutlinesAndTheRaisedTab) {
  tab.SetNumberOfTabs(2);
  tab.Resize(200, 100);  // Tab0 at 2 (width 39), Tab1 at 41
  const Ops tab1_edge = {"strip line 41,16-41,2 white",   "strip line 41,2-43,0 white",  "strip line 43,0-78,0 white",
                         "strip line 78,1-79,2 black",    "strip line 79,2-79,17 black", "strip line 42,16-42,2 grey",
                         "strip line 42,2-43,1 grey",     "strip line 43,1-78,1 grey",   "strip line 78,2-78,2 appworkspace",
                         "strip line 78,2-78,17 appworkspace"};
  Ops strip = canvas.Matching("strip line");
  // With tab 0 raised every left edge runs to the very bottom (y0 = 0).
  EXPECT_EQ(Ops(strip.begin() + 10, strip.end()),
            (Ops{"strip line 41,17-41,2 white", "strip line 41,2-43,0 white", "strip line 43,0-78,0 white",
                 "strip line 78,1-79,2 black", "strip line 79,2-79,17 black", "strip line 42,17-42,2 grey",
                 "strip line 42,2-43,1 grey", "strip line 43,1-78,1 grey", "strip line 78,2-78,2 appworkspace",
                 "strip line 78,2-78,17 appworkspace"}));
  EXPECT_EQ(canvas.Matching("raised"),
            (Ops{"raised line 0,21-0,2 white", "raised line 0,2-2,0 white", "raised line 2,0-43,0 white",
                 "raised line 43,1-44,2 black", "raised line 44,2-44,20 black", "raised line 1,21-1,2 grey",
                 "raised line 1,2-2,1 grey", "raised line 2,1-43,1 grey", "raised line 43,2-43,2 appworkspace",
                 "raised line 43,2-43,20 appworkspace", "raised print 9,4 Tab0 black"}));

  canvas.Take();
  tab.SetActiveTab(1);
  EXPECT_EQ(canvas.Matching("place"), Ops{"place raised 40,0 45,21"});
  EXPECT_EQ(canvas.Matching("raised line 0"), (Ops{"raised line 0,19-0,2 white", "raised line 0,2-2,0 white"}));
  tab.SetNumberOfTabs(2);  // redraws the strip with tab 1 raised: left edges stop one short
  EXPECT_EQ(canvas.Matching("strip line 41,16")[0], tab1_edge[0]);
}

TEST_F(LightTabTest, PressOnTheStripChoosesTheTabLeftOfABoundary) {
  tab.Resize(300, 100);  // four tabs of 39 at 2, 41, 80, 119; the last ends at 158
  struct Case {
    int x;
    int active_after;
    std::vector<int> events;
  };
  const Case cases[] = {
      {2, 0, {}},      // on TabLeft(0): nothing
      {1, 0, {}},      // left of the first tab
      {159, 0, {}},    // right of the last tab
      {80, 1, {1}},    // exactly TabLeft(2): the tab on its left
      {158, 3, {3}},   // the last tab's right edge
      {3, 0, {0}},
  };
  for (const Case& c : cases) {
    events.clear();
    canvas.Take();
    tab.TabStrip_MouseDown(c.x, 5);
    EXPECT_EQ(tab.ActiveTab(), c.active_after) << "x=" << c.x;
    EXPECT_EQ(events, c.events) << "x=" << c.x;
    EXPECT_EQ(canvas.Matching("raised focus").size(), c.events.empty() ? 0u : 1u) << "x=" << c.x;
  }
}

TEST_F(LightTabTest, FocusRectangleIsInvertedOnClickAndAgainOnFocusLoss) {
  tab.Resize(300, 100);
  tab.TabStrip_MouseDown(50, 5);
  tab.LostFocus();
  tab.LostFocus();  // nothing showing any more: nothing drawn
  EXPECT_EQ(canvas.Matching("raised focus"), (Ops{"raised focus 4,3-42,19", "raised focus 4,3-42,19"}));
}

TEST_F(LightTabTest, KeysMoveAlongTheStripAsClicksDoAndStopAtTheEnds) {
  tab.Resize(300, 100);  // four tabs
  using Key = LightTab::TabKey;
  const std::pair<Key, int> keys[] = {{Key::Left, 0}, {Key::Right, 1}, {Key::End, 3}, {Key::Right, 3},
                                      {Key::Home, 0}, {Key::Left, 0}};
  for (const auto& [key, active] : keys) {
    canvas.Take();
    const std::size_t before = events.size();
    tab.TabStrip_KeyDown(key);
    EXPECT_EQ(tab.ActiveTab(), active);
    const bool moved = events.size() > before;
    EXPECT_EQ(canvas.Matching("raised focus").size(), moved ? 1u : 0u) << "the focus rectangle as after a click";
  }
  EXPECT_EQ(events, (std::vector<int>{1, 3, 0}));
  tab.GotFocus();  // already showing after the last move: nothing drawn
  EXPECT_EQ(canvas.Matching("raised focus").size(), 0u);
  EXPECT_EQ(tab.TabAfter(-1), 3);
  EXPECT_EQ(tab.TabAfter(5), 1);
}

TEST_F(LightTabTest, EventRulesForProperties) {
  tab.Resize(300, 100);
  tab.SetActiveTab(0);
  EXPECT_EQ(events, std::vector<int>{0}) << "setting the active index again still reports it";
  tab.SetActiveTab(3);
  tab.SetNumberOfTabs(2);
  EXPECT_EQ(tab.ActiveTab(), 0);
  tab.SetCaption(1, "Features");
  EXPECT_EQ(events, (std::vector<int>{0, 3})) << "tab count and caption changes raise nothing";
  EXPECT_EQ(tab.Caption(1), "Features");
}

TEST_F(LightTabTest, ValuesOutsideTheLimitsAreClamped) {
  tab.Resize(300, 100);
  tab.SetNumberOfTabs(25);
  EXPECT_EQ(tab.NumberOfTabs(), 10);
  tab.SetActiveTab(12);
  EXPECT_EQ(tab.ActiveTab(), 9);
  tab.SetNumberOfTabs(0);
  EXPECT_EQ(tab.NumberOfTabs(), 1);
  tab.SetActiveTab(-3);
  EXPECT_EQ(events, (std::vector<int>{9, 0}));
  EXPECT_EQ(tab.Caption(15), "");
  tab.ReadProperties({{"NumberOfTabs", "99"}, {"ActiveTab", "x"}});
  EXPECT_EQ(tab.NumberOfTabs(), 10);
  EXPECT_EQ(tab.ActiveTab(), 0);
}

TEST(LightTabCaption, SetCaptionPartReplacesOnePieceAndKeepsTheBars) {
  struct Case {
    const char* caption;
    int index;
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"General|X|Programs|", 1, "Features", "General|Features|Programs|"},
      {"General|X|Programs|", 0, "", "|X|Programs|"},
      {"A|", 2, "C", "A||C|"},
      {"A|B", 1, "X", "A|X|"},
      {"A|B|", -1, "X", "A|B|"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LightTab::SetCaptionPart(c.caption, c.index, c.text), c.expected) << c.caption << " " << c.index;
}

TEST(LightTabProperties, DefaultsAreNotStoredAndReadingDrawsNothing) {
  LightTab tab;
  RecordingCanvas canvas;
  tab.SetCanvas(&canvas);
  tab.ReadProperties({{"Caption", "General|Features|Programs|"}, {"NumberOfTabs", "3"}});
  EXPECT_TRUE(canvas.ops.empty());
  LightTab::PropertyBag bag;
  tab.WriteProperties(bag);
  EXPECT_EQ(bag, (LightTab::PropertyBag{{"Caption", "General|Features|Programs|"}, {"NumberOfTabs", "3"}}));
}

TEST(PropertyPage, LoadsScrollsAndAppliesInOrderReportingTextsThatAreNoNumbers) {
  LightTab tab;
  PropertyPage1 page(tab);
  page.SelectionChanged();
  EXPECT_EQ(page.txtCaption, "Tab0");
  page.HScroll1_Change(2);
  EXPECT_EQ(page.txtIndex, "2");
  EXPECT_EQ(page.txtCaption, "Tab2");
  page.Edit(PropertyPage1::Field::Caption, "Third");
  page.Edit(PropertyPage1::Field::ActiveTab, "3");
  page.Edit(PropertyPage1::Field::NumberOfTabs, "three");
  EXPECT_TRUE(page.Changed());
  EXPECT_EQ(page.ApplyChanges(), "Tabs: \"three\" is not a number from -32768 to 32767.");
  EXPECT_EQ(tab.ActiveTab(), 3) << "ActiveTab comes first and was applied";
  EXPECT_EQ(tab.Caption(2), "Tab2") << "the caption comes last";
  page.Edit(PropertyPage1::Field::NumberOfTabs, "3");
  EXPECT_EQ(page.ApplyChanges(), "");
  EXPECT_EQ(tab.NumberOfTabs(), 3);
  EXPECT_EQ(tab.ActiveTab(), 0) << "three tabs do not hold tab 3";
  EXPECT_EQ(tab.Caption(2), "Third");
}

}  // namespace
}  // namespace vantile
