// LightTab on GTK: CairoTabCanvas draws the control's operations onto three
// cairo image surfaces that keep what was drawn (the control has no paint
// step of its own), and LightTabWidget shows them and forwards presses and
// focus loss. The canvas needs no display, so tests render it off screen.
#pragma once

#include <cairo.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <array>
#include <functional>
#include <memory>

#include "common/gtk/gobject_ptr.h"
#include "dialogs/light_tab.h"

namespace vantile {

// What the control's colours are in the theme.
struct TabThemeColours {
  GdkRGBA face;           // the control's own surface
  GdkRGBA menu;           // COLOR_MENU: background of the two child surfaces
  GdkRGBA window_text;    // COLOR_WINDOWTEXT: their first drawing colour
  GdkRGBA app_workspace;  // COLOR_APPWORKSPACE: the inner shadow
};

// The theme's colours for `widget` (see the definition for which is which).
TabThemeColours ThemeTabColours(GtkWidget* widget);

struct CairoSurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;

class CairoTabCanvas : public TabCanvas {
 public:
  // Text is laid out in `context` (the widget's, or one made for a test).
  CairoTabCanvas(TabThemeColours colours, GObjectPtr<PangoContext> context);

  // The control's own surface size; call before LightTab::Resize.
  void SetControlSize(int width, int height);
  // Called whenever a surface was refreshed or moved (the widget redraws).
  std::function<void()> on_refresh;

  // Paints the control as it stands: its surface, the strip and, when
  // shown, the raised tab, clipped to the control.
  void Compose(cairo_t* cr) const;

  double TextWidth(TabSurface surface, std::string_view text) override;
  void Clear(TabSurface surface) override;
  void Line(TabSurface surface, int x0, int y0, int x1, int y1, TabColour colour) override;
  void Print(TabSurface surface, int x, int y, std::string_view text, TabColour colour) override;
  void InvertFocusRect(TabSurface surface, const TabRect& rect) override;
  void Place(TabSurface surface, int left, int top, int width, int height) override;
  void SetVisible(TabSurface surface, bool visible) override;
  void Refresh(TabSurface surface) override;

 private:
  struct Layer {
    CairoSurfacePtr image;
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = true;
  };
  Layer& LayerOf(TabSurface surface) { return layers_[static_cast<std::size_t>(surface)]; }
  void Ensure(Layer& layer);
  GdkRGBA Colour(TabColour colour) const;

  TabThemeColours colours_;
  GObjectPtr<PangoContext> context_;
  std::array<Layer, 3> layers_;
};

// A LightTab on screen. The logic object outlives the widget's use of it.
class LightTabWidget {
 public:
  explicit LightTabWidget(LightTab& control);
  ~LightTabWidget();
  LightTabWidget(const LightTabWidget&) = delete;
  LightTabWidget& operator=(const LightTabWidget&) = delete;

  // A GtkDrawingArea to put in a container.
  GtkWidget* widget() const { return widget_.get(); }

 private:
  static void OnRealize(GtkWidget* widget, gpointer self);
  static void OnSizeAllocate(GtkWidget* widget, GdkRectangle* allocation, gpointer self);
  static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean OnPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static void OnFocusChange(GtkWidget* widget, GParamSpec*, gpointer self);
  static gboolean OnKey(GtkWidget* widget, GdkEventKey* event, gpointer self);

  LightTab& control_;
  GObjectPtr<GtkWidget> widget_;  // our own reference beside the container's
  std::unique_ptr<CairoTabCanvas> canvas_;
  int width_ = -1;
  int height_ = -1;
  // A click is taking the focus (it draws the focus rectangle itself).
  bool clicking_ = false;
  // The active tab assistive technology was last told of.
  int announced_tab_ = 0;
};

}  // namespace vantile
