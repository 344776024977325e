// The real tab strip rendered off screen with cairo: its frame, the tab
// outlines and the raised tab land on the pixels the control's geometry
// gives, with the move-to/line-to rule (end points not painted).
#include <gtest/gtest.h>

#include "dialogs/gtk/light_tab_gtk.h"

namespace vantile {
namespace {

constexpr int kW = 276, kH = 265;  // the Options dialog's tab strip

GdkRGBA Rgb(int r, int g, int b) { return GdkRGBA{r / 255.0, g / 255.0, b / 255.0, 1.0}; }
const TabThemeColours kColours{Rgb(200, 200, 200), Rgb(240, 240, 240), Rgb(0, 0, 1), Rgb(128, 128, 128)};
constexpr std::uint32_t kWhite = 0xFFFFFF, kGrey = 0xE0E0E0, kBlack = 0x000000, kWorkspace = 0x808080,
                        kFace = 0xC8C8C8, kMenu = 0xF0F0F0;

GObjectPtr<PangoContext> FixedContext() {
  GObjectPtr<PangoContext> context(pango_font_map_create_context(pango_cairo_font_map_get_default()));
  pango_cairo_context_set_resolution(context.get(), 96);
  PangoFontDescription* font = pango_font_description_from_string("DejaVu Sans 10");
  pango_context_set_font_description(context.get(), font);
  pango_font_description_free(font);
  return context;
}

class TabPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    canvas_ = std::make_unique<CairoTabCanvas>(kColours, FixedContext());
    tab_.ReadProperties({{"Caption", "General|Features|Programs|"}, {"NumberOfTabs", "3"}});
    tab_.SetCanvas(canvas_.get());
    canvas_->SetControlSize(kW, kH);
    tab_.Resize(kW, kH);
    Render();
  }
  void Render() {
    image_.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, kW, kH));
    cairo_t* cr = cairo_create(image_.get());
    canvas_->Compose(cr);
    cairo_destroy(cr);
    cairo_surface_flush(image_.get());
  }
  std::uint32_t At(int x, int y) const {
    const unsigned char* data = cairo_image_surface_get_data(image_.get());
    return reinterpret_cast<const std::uint32_t*>(data + y * cairo_image_surface_get_stride(image_.get()))[x] &
           0xFFFFFF;
  }
  // Every pixel of a vertical or horizontal run has `colour`.
  void ExpectRun(int x0, int y0, int x1, int y1, std::uint32_t colour, const char* what) const {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        ASSERT_EQ(At(x, y), colour) << what << " at " << x << "," << y;
  }

  LightTab tab_;
  std::unique_ptr<CairoTabCanvas> canvas_;
  CairoSurfacePtr image_;
};

TEST_F(TabPixels, TabWidthsComeFromTheFontAndFollowOneAnother) {
  GObjectPtr<PangoContext> context = FixedContext();
  int left = 2;
  for (int i = 0; i < 3; ++i) {
    GObjectPtr<PangoLayout> layout(pango_layout_new(context.get()));
    pango_layout_set_text(layout.get(), tab_.Caption(i).c_str(), -1);
    PangoRectangle logical;
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    EXPECT_NEAR(tab_.TabWidth(i), logical.width / double(PANGO_SCALE) + 15, 0.5) << i;
    EXPECT_EQ(tab_.TabLeft(i), left) << i;
    left += tab_.TabWidth(i);
  }
}

TEST_F(TabPixels, FrameIsTwoRingsWithItsTopAtNineteenAndTwenty) {
  const int past_raised = tab_.TabLeft(0) + tab_.TabWidth(0) + 6;  // right of the raised tab
  ExpectRun(1, 20, 1, kH - 1, kWhite, "outer left");
  ExpectRun(past_raised, 19, kW - 2, 19, kWhite, "outer top");
  ExpectRun(kW - 1, 19, kW - 1, kH - 2, kBlack, "outer right");
  ExpectRun(2, kH - 1, kW - 1, kH - 1, kBlack, "outer bottom");
  ExpectRun(2, 21, 2, kH - 2, kGrey, "inner left");
  ExpectRun(past_raised, 20, kW - 3, 20, kGrey, "inner top");
  ExpectRun(kW - 2, 20, kW - 2, kH - 3, kWorkspace, "inner right");
  ExpectRun(3, kH - 2, kW - 2, kH - 2, kWorkspace, "inner bottom");
  EXPECT_EQ(At(0, 100), kFace);
  EXPECT_EQ(At(100, 100), kFace);
}

TEST_F(TabPixels, FlatTabsAreOutlinedOnTheStrip) {
  // Tab 2 on the strip (x + 3, y + 2 in the control; tab 1's left edge lies
  // under the raised tab 0); with tab 0 raised the left edges run to the
  // strip's bottom.
  const int l = tab_.TabLeft(2) + 3, r = tab_.TabLeft(2) + tab_.TabWidth(2) + 3;
  ExpectRun(l, 5, l, 18, kWhite, "left edge");
  EXPECT_EQ(At(l + 1, 3), kWhite) << "bevel";
  ExpectRun(l + 2, 2, r - 3, 2, kWhite, "top edge");
  EXPECT_EQ(At(r - 2, 2), kMenu) << "end point of the top edge is not painted";
  EXPECT_EQ(At(r - 2, 3), kBlack) << "right bevel";
  ExpectRun(r - 1, 4, r - 1, 18, kBlack, "right edge");
  ExpectRun(l + 1, 5, l + 1, 18, kGrey, "inner left edge");
  ExpectRun(r - 2, 4, r - 2, 18, kWorkspace, "inner right edge");
  EXPECT_EQ(At(kW - 2, 10), kMenu) << "the strip runs on behind the last tab";
}

TEST_F(TabPixels, RaisedTabCoversTheFlatOneAndTheFrameTop) {
  auto check_raised = [&](int a) {
    const int l = tab_.TabLeft(a) - 1, r = l + tab_.TabWidth(a) + 6;
    if (a == 0) ExpectRun(l, 3, l, 20, kWhite, "left edge down to the frame");
    else ExpectRun(l, 3, l, 18, kWhite, "left edge");
    ExpectRun(l + 2, 0, r - 3, 0, kWhite, "top edge");
    ExpectRun(r - 1, 2, r - 1, 19, kBlack, "right edge");
    ExpectRun(r - 2, 2, r - 2, 19, kWorkspace, "inner right edge");
    EXPECT_EQ(At(l + 5, 20), kMenu) << "over the frame's top lines";
    int dark = 0;
    for (int y = 4; y < 18; ++y)
      for (int x = l + 9; x < r - 4; ++x) dark += (At(x, y) & 0xFF) < 0x80;
    EXPECT_GT(dark, 20) << "the caption is printed on it";
  };
  check_raised(0);
  tab_.TabStrip_MouseDown(tab_.TabLeft(2) + 3, 5);
  Render();
  ASSERT_EQ(tab_.ActiveTab(), 2);
  check_raised(2);
  // The focus rectangle: every other pixel of its outline inverted.
  const int l = tab_.TabLeft(2) - 1;
  EXPECT_EQ(At(l + 5, 3), kMenu ^ 0xFFFFFF);
  EXPECT_EQ(At(l + 6, 3), kMenu);
  tab_.LostFocus();
  Render();
  EXPECT_EQ(At(l + 5, 3), kMenu);
}

}  // namespace
}  // namespace vantile
