#include "dialogs/gtk/light_tab_gtk.h"

#include "dialogs/gtk/tab_strip_accessible.h"

#include <cstdlib>
#include <string>

namespace vantile {
namespace {

GdkRGBA Rgb(int r, int g, int b) { return GdkRGBA{r / 255.0, g / 255.0, b / 255.0, 1.0}; }

GdkRGBA NamedColour(GtkStyleContext* context, const char* name, GdkRGBA fallback) {
  GdkRGBA colour;
  return gtk_style_context_lookup_color(context, name, &colour) ? colour : fallback;
}

// The background a menu of the theme has.
GdkRGBA MenuBackground(GtkWidget* widget, GdkRGBA fallback) {
  GObjectPtr<GtkStyleContext> context(gtk_style_context_new());
  GtkWidgetPath* path = gtk_widget_path_new();
  gtk_widget_path_append_type(path, GTK_TYPE_MENU);
  gtk_widget_path_iter_set_object_name(path, -1, "menu");
  gtk_style_context_set_path(context.get(), path);
  gtk_style_context_set_screen(context.get(), gtk_widget_get_screen(widget));
  gtk_widget_path_unref(path);
  GdkRGBA* colour = nullptr;
  gtk_style_context_get(context.get(), GTK_STATE_FLAG_NORMAL, GTK_STYLE_PROPERTY_BACKGROUND_COLOR, &colour, nullptr);
  GdkRGBA result = colour && colour->alpha > 0 ? *colour : fallback;
  if (colour) gdk_rgba_free(colour);
  return result;
}

void SetSource(cairo_t* cr, const GdkRGBA& c) { cairo_set_source_rgb(cr, c.red, c.green, c.blue); }

struct CairoDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using CairoPtr = std::unique_ptr<cairo_t, CairoDeleter>;

}  // namespace

TabThemeColours ThemeTabColours(GtkWidget* widget) {
  GtkStyleContext* context = gtk_widget_get_style_context(widget);
  TabThemeColours colours;
  // The window background stands for the face colour of the panel.
  colours.face = NamedColour(context, "theme_bg_color", Rgb(212, 208, 200));
  // COLOR_MENU is the background of the theme's menus.
  colours.menu = MenuBackground(widget, colours.face);
  // COLOR_WINDOWTEXT is the theme's text colour of windows.
  colours.window_text = NamedColour(context, "theme_fg_color", Rgb(0, 0, 0));
  // COLOR_APPWORKSPACE, the shadow inside the black outer edge, is the
  // colour the theme draws frames and separators with.
  colours.app_workspace = NamedColour(context, "borders", Rgb(128, 128, 128));
  return colours;
}

CairoTabCanvas::CairoTabCanvas(TabThemeColours colours, GObjectPtr<PangoContext> context)
    : colours_(colours), context_(std::move(context)) {}

void CairoTabCanvas::SetControlSize(int width, int height) {
  Layer& control = LayerOf(TabSurface::Control);
  control.width = width;
  control.height = height;
}

void CairoTabCanvas::Ensure(Layer& layer) {
  const int w = std::max(layer.width, 1), h = std::max(layer.height, 1);
  if (layer.image && cairo_image_surface_get_width(layer.image.get()) == w &&
      cairo_image_surface_get_height(layer.image.get()) == h)
    return;
  // A surface that changes size starts out in its background colour.
  layer.image.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h));
  CairoPtr cr(cairo_create(layer.image.get()));
  SetSource(cr.get(), &layer == &LayerOf(TabSurface::Control) ? colours_.face : colours_.menu);
  cairo_paint(cr.get());
}

GdkRGBA CairoTabCanvas::Colour(TabColour colour) const {
  switch (colour) {
    case TabColour::White: return Rgb(255, 255, 255);
    case TabColour::LightGrey: return Rgb(224, 224, 224);
    case TabColour::Black: return Rgb(0, 0, 0);
    case TabColour::AppWorkspace: return colours_.app_workspace;
    case TabColour::Menu: return colours_.menu;
    case TabColour::WindowText: return colours_.window_text;
  }
  return Rgb(0, 0, 0);
}

double CairoTabCanvas::TextWidth(TabSurface, std::string_view text) {
  GObjectPtr<PangoLayout> layout(pango_layout_new(context_.get()));
  pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
  PangoRectangle logical;
  pango_layout_get_extents(layout.get(), nullptr, &logical);
  return static_cast<double>(logical.width) / PANGO_SCALE;
}

void CairoTabCanvas::Clear(TabSurface surface) {
  Layer& layer = LayerOf(surface);
  Ensure(layer);
  CairoPtr cr(cairo_create(layer.image.get()));
  SetSource(cr.get(), surface == TabSurface::Control ? colours_.face : colours_.menu);
  cairo_paint(cr.get());
}

void CairoTabCanvas::Line(TabSurface surface, int x0, int y0, int x1, int y1, TabColour colour) {
  Layer& layer = LayerOf(surface);
  Ensure(layer);
  CairoPtr cr(cairo_create(layer.image.get()));
  cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
  SetSource(cr.get(), Colour(colour));
  // Bresenham from the start point towards the end point, which itself is
  // not painted: the next line starts there.
  const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  int x = x0, y = y0;
  while (x != x1 || y != y1) {
    cairo_rectangle(cr.get(), x, y, 1, 1);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
  cairo_fill(cr.get());
}

void CairoTabCanvas::Print(TabSurface surface, int x, int y, std::string_view text, TabColour colour) {
  Layer& layer = LayerOf(surface);
  Ensure(layer);
  CairoPtr cr(cairo_create(layer.image.get()));
  GObjectPtr<PangoLayout> layout(pango_layout_new(context_.get()));
  pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
  SetSource(cr.get(), Colour(colour));
  cairo_move_to(cr.get(), x, y);
  pango_cairo_show_layout(cr.get(), layout.get());
}

void CairoTabCanvas::InvertFocusRect(TabSurface surface, const TabRect& rect) {
  Layer& layer = LayerOf(surface);
  Ensure(layer);
  cairo_surface_t* image = layer.image.get();
  cairo_surface_flush(image);
  unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
  // Every other pixel of the outline, each once, inverted in place.
  auto invert = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= w || y >= h || (x + y) % 2 != 0) return;
    auto* pixel = reinterpret_cast<std::uint32_t*>(data + y * stride) + x;
    *pixel ^= 0x00FFFFFFu;
  };
  const int right = rect.right - 1, bottom = rect.bottom - 1;
  if (right < rect.left || bottom < rect.top) return;
  for (int x = rect.left; x <= right; ++x) {
    invert(x, rect.top);
    if (bottom != rect.top) invert(x, bottom);
  }
  for (int y = rect.top + 1; y < bottom; ++y) {
    invert(rect.left, y);
    if (right != rect.left) invert(right, y);
  }
  cairo_surface_mark_dirty(image);
}

void CairoTabCanvas::Place(TabSurface surface, int left, int top, int width, int height) {
  Layer& layer = LayerOf(surface);
  layer.left = left;
  layer.top = top;
  layer.width = width;
  layer.height = height;
  Ensure(layer);
  if (on_refresh) on_refresh();
}

void CairoTabCanvas::SetVisible(TabSurface surface, bool visible) {
  LayerOf(surface).visible = visible;
  if (on_refresh) on_refresh();
}

void CairoTabCanvas::Refresh(TabSurface) {
  if (on_refresh) on_refresh();
}

void CairoTabCanvas::Compose(cairo_t* cr) const {
  const Layer& control = layers_[static_cast<std::size_t>(TabSurface::Control)];
  cairo_save(cr);
  cairo_rectangle(cr, 0, 0, control.width, control.height);
  cairo_clip(cr);
  for (const Layer& layer : layers_) {
    if (!layer.image || !layer.visible) continue;
    cairo_set_source_surface(cr, layer.image.get(), layer.left, layer.top);
    cairo_rectangle(cr, layer.left, layer.top, layer.width, layer.height);
    cairo_fill(cr);
  }
  cairo_restore(cr);
}

LightTabWidget::LightTabWidget(LightTab& control)
    : control_(control), widget_(GTK_WIDGET(g_object_ref_sink(NewAccessibleTabStrip(control)))) {
  GtkWidget* widget = widget_.get();
  gtk_widget_set_can_focus(widget, TRUE);
  gtk_widget_add_events(widget, GDK_BUTTON_PRESS_MASK | GDK_KEY_PRESS_MASK);
  g_signal_connect(widget, "key-press-event", G_CALLBACK(OnKey), this);
  g_signal_connect(widget, "size-allocate", G_CALLBACK(OnSizeAllocate), this);
  g_signal_connect(widget, "draw", G_CALLBACK(OnDraw), this);
  g_signal_connect(widget, "button-press-event", G_CALLBACK(OnPress), this);
  g_signal_connect(widget, "notify::is-focus", G_CALLBACK(OnFocusChange), this);
}

LightTabWidget::~LightTabWidget() {
  control_.SetCanvas(nullptr);
  g_object_set_data(G_OBJECT(widget_.get()), "vantile-light-tab", nullptr);
  g_signal_handlers_disconnect_by_data(widget_.get(), this);
}

void LightTabWidget::OnSizeAllocate(GtkWidget* widget, GdkRectangle* allocation, gpointer self) {
  auto* tab = static_cast<LightTabWidget*>(self);
  if (allocation->width == tab->width_ && allocation->height == tab->height_) return;
  tab->width_ = allocation->width;
  tab->height_ = allocation->height;
  if (!tab->canvas_) {
    // The theme is known once the widget sits in its window.
    tab->canvas_ = std::make_unique<CairoTabCanvas>(
        ThemeTabColours(widget), GObjectPtr<PangoContext>::Ref(gtk_widget_get_pango_context(widget)));
    tab->canvas_->on_refresh = [tab, widget] {
      gtk_widget_queue_draw(widget);
      // Every change of the active tab ends in a refresh of the raised tab.
      if (tab->control_.ActiveTab() != tab->announced_tab_) {
        AnnounceTabChange(widget, tab->announced_tab_, tab->control_.ActiveTab());
        tab->announced_tab_ = tab->control_.ActiveTab();
      }
    };
    tab->announced_tab_ = tab->control_.ActiveTab();
    tab->control_.SetCanvas(tab->canvas_.get());
  }
  tab->canvas_->SetControlSize(allocation->width, allocation->height);
  tab->control_.Resize(allocation->width, allocation->height);
}

gboolean LightTabWidget::OnDraw(GtkWidget*, cairo_t* cr, gpointer self) {
  auto* tab = static_cast<LightTabWidget*>(self);
  if (tab->canvas_) tab->canvas_->Compose(cr);
  return TRUE;
}

gboolean LightTabWidget::OnPress(GtkWidget* widget, GdkEventButton* event, gpointer self) {
  auto* tab = static_cast<LightTabWidget*>(self);
  if (event->type != GDK_BUTTON_PRESS) return TRUE;
  // The click draws the focus rectangle itself.
  tab->clicking_ = true;
  gtk_widget_grab_focus(widget);
  tab->clicking_ = false;
  const int x = static_cast<int>(event->x), y = static_cast<int>(event->y);
  // The raised tab lies over the strip and takes no clicks of its own.
  const TabRect raised = tab->control_.HighlightBounds();
  if (x >= raised.left && x < raised.right && y >= raised.top && y < raised.bottom) return TRUE;
  const int strip_x = x - LightTab::kStripLeft, strip_y = y - LightTab::kStripTop;
  if (strip_x >= 0 && strip_y >= 0 && strip_y < LightTab::kStripHeight)
    tab->control_.TabStrip_MouseDown(strip_x, strip_y);
  return TRUE;
}

void LightTabWidget::OnFocusChange(GtkWidget* widget, GParamSpec*, gpointer self) {
  auto* tab = static_cast<LightTabWidget*>(self);
  if (!gtk_widget_is_focus(widget)) {
    tab->control_.LostFocus();
  } else if (!tab->clicking_) {
    tab->control_.GotFocus();
  }
}

gboolean LightTabWidget::OnKey(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* tab = static_cast<LightTabWidget*>(self);
  if (event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SHIFT_MASK)) return FALSE;
  using Key = LightTab::TabKey;
  switch (event->keyval) {
    case GDK_KEY_Left: case GDK_KEY_KP_Left: tab->control_.TabStrip_KeyDown(Key::Left); return TRUE;
    case GDK_KEY_Right: case GDK_KEY_KP_Right: tab->control_.TabStrip_KeyDown(Key::Right); return TRUE;
    case GDK_KEY_Home: case GDK_KEY_KP_Home: tab->control_.TabStrip_KeyDown(Key::Home); return TRUE;
    case GDK_KEY_End: case GDK_KEY_KP_End: tab->control_.TabStrip_KeyDown(Key::End); return TRUE;
    default: return FALSE;
  }
}

}  // namespace vantile
