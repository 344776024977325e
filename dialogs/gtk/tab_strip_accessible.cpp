#include "dialogs/gtk/tab_strip_accessible.h"

#include <gtk/gtk-a11y.h>

#include <string>

#include "common/text.h"

namespace vantile {
namespace {

const LightTab* ControlOf(GtkWidget* widget) {
  return widget ? static_cast<const LightTab*>(g_object_get_data(G_OBJECT(widget), "vantile-light-tab")) : nullptr;
}

// -- the strip's widget type: a drawing area with its own accessible type --
struct StripWidget {
  GtkDrawingArea parent;
};
struct StripWidgetClass {
  GtkDrawingAreaClass parent;
};

// -- one tab: a child object with a name, states and bounds --------------
struct TabObject {
  AtkObject parent;
  GtkWidget* strip;  // not owned; the strip's accessible outlives its tabs' use
  int index;
};
struct TabObjectClass {
  AtkObjectClass parent;
};

void TabComponentInit(AtkComponentIface* iface);

G_DEFINE_TYPE_WITH_CODE(TabObject, tab_object, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, TabComponentInit))

void tab_object_init(TabObject*) {}

AtkStateSet* TabStates(AtkObject* object) {
  auto* tab = reinterpret_cast<TabObject*>(object);
  AtkStateSet* states = atk_state_set_new();
  const LightTab* control = ControlOf(tab->strip);
  if (!control) {
    atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
    return states;
  }
  for (AtkStateType state : {ATK_STATE_SELECTABLE, ATK_STATE_ENABLED, ATK_STATE_SENSITIVE}) {
    atk_state_set_add_state(states, state);
  }
  if (gtk_widget_is_drawable(tab->strip)) {
    atk_state_set_add_state(states, ATK_STATE_VISIBLE);
    atk_state_set_add_state(states, ATK_STATE_SHOWING);
  }
  if (tab->index == control->ActiveTab()) atk_state_set_add_state(states, ATK_STATE_SELECTED);
  return states;
}

AtkObject* TabParent(AtkObject* object) {
  auto* tab = reinterpret_cast<TabObject*>(object);
  return tab->strip ? gtk_widget_get_accessible(tab->strip) : nullptr;
}

gint TabIndexInParent(AtkObject* object) { return reinterpret_cast<TabObject*>(object)->index; }

void tab_object_class_init(TabObjectClass* klass) {
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->ref_state_set = TabStates;
  atk->get_parent = TabParent;
  atk->get_index_in_parent = TabIndexInParent;
}

// The tab's rectangle as the strip draws it: the raised one over its
// place, the others in the row, offset by the strip's own place.
void TabExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height, AtkCoordType coords) {
  auto* tab = reinterpret_cast<TabObject*>(component);
  *x = *y = *width = *height = 0;
  const LightTab* control = ControlOf(tab->strip);
  if (!control) return;
  gint sx = 0, sy = 0, sw = 0, sh = 0;
  atk_component_get_extents(ATK_COMPONENT(gtk_widget_get_accessible(tab->strip)), &sx, &sy, &sw, &sh, coords);
  TabRect rect = control->HighlightBounds();
  if (tab->index != control->ActiveTab()) {
    const int left = LightTab::kStripLeft + control->TabLeft(tab->index);
    rect = {left, LightTab::kStripTop, left + control->TabWidth(tab->index), LightTab::kStripTop + LightTab::kStripHeight};
  }
  *x = sx + rect.left;
  *y = sy + rect.top;
  *width = rect.right - rect.left;
  *height = rect.bottom - rect.top;
}

void TabComponentInit(AtkComponentIface* iface) { iface->get_extents = TabExtents; }

// -- the strip's accessible: the page-tab list ---------------------------
struct StripAccessible {
  GtkWidgetAccessible parent;
  AtkObject* tabs[LightTab::kMaxTabs];
};
struct StripAccessibleClass {
  GtkWidgetAccessibleClass parent;
};

void StripSelectionInit(AtkSelectionIface* iface);

G_DEFINE_TYPE_WITH_CODE(StripAccessible, strip_accessible, GTK_TYPE_WIDGET_ACCESSIBLE,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_SELECTION, StripSelectionInit))

void strip_accessible_init(StripAccessible* self) {
  for (AtkObject*& tab : self->tabs) tab = nullptr;
}

GtkWidget* StripOf(AtkObject* object) { return gtk_accessible_get_widget(GTK_ACCESSIBLE(object)); }

gint StripChildren(AtkObject* object) {
  const LightTab* control = ControlOf(StripOf(object));
  return control ? control->NumberOfTabs() : 0;
}

AtkObject* StripChild(AtkObject* object, gint index) {
  auto* self = reinterpret_cast<StripAccessible*>(object);
  GtkWidget* widget = StripOf(object);
  const LightTab* control = ControlOf(widget);
  if (!control || index < 0 || index >= control->NumberOfTabs()) return nullptr;
  AtkObject*& tab = self->tabs[index];
  if (!tab) {
    tab = ATK_OBJECT(g_object_new(tab_object_get_type(), nullptr));
    auto* made = reinterpret_cast<TabObject*>(tab);
    made->strip = widget;
    made->index = index;
    atk_object_set_role(tab, ATK_ROLE_PAGE_TAB);
  }
  // Captions may change; the "&" marks a mnemonic, not a letter.
  atk_object_set_name(tab, ReplaceAll(control->Caption(index), "&", "").c_str());
  return ATK_OBJECT(g_object_ref(tab));
}

void StripFinalize(GObject* object) {
  for (AtkObject* tab : reinterpret_cast<StripAccessible*>(object)->tabs) {
    if (!tab) continue;
    reinterpret_cast<TabObject*>(tab)->strip = nullptr;
    g_object_unref(tab);
  }
  G_OBJECT_CLASS(strip_accessible_parent_class)->finalize(object);
}

void strip_accessible_class_init(StripAccessibleClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = StripFinalize;
  AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
  atk->get_n_children = StripChildren;
  atk->ref_child = StripChild;
}

AtkObject* SelectedTab(AtkSelection* selection, gint i) {
  const LightTab* control = ControlOf(StripOf(ATK_OBJECT(selection)));
  return control && i == 0 ? StripChild(ATK_OBJECT(selection), control->ActiveTab()) : nullptr;
}
gint SelectionCount(AtkSelection* selection) { return ControlOf(StripOf(ATK_OBJECT(selection))) ? 1 : 0; }
gboolean IsSelected(AtkSelection* selection, gint i) {
  const LightTab* control = ControlOf(StripOf(ATK_OBJECT(selection)));
  return control && control->ActiveTab() == i;
}

void StripSelectionInit(AtkSelectionIface* iface) {
  iface->ref_selection = SelectedTab;
  iface->get_selection_count = SelectionCount;
  iface->is_child_selected = IsSelected;
}

G_DEFINE_TYPE(StripWidget, strip_widget, GTK_TYPE_DRAWING_AREA)

void strip_widget_init(StripWidget*) {}

void strip_widget_class_init(StripWidgetClass* klass) {
  gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass), strip_accessible_get_type());
  gtk_widget_class_set_accessible_role(GTK_WIDGET_CLASS(klass), ATK_ROLE_PAGE_TAB_LIST);
}

}  // namespace

GtkWidget* NewAccessibleTabStrip(const LightTab& control) {
  GtkWidget* widget = GTK_WIDGET(g_object_new(strip_widget_get_type(), nullptr));
  g_object_set_data(G_OBJECT(widget), "vantile-light-tab", const_cast<LightTab*>(&control));
  return widget;
}

void AnnounceTabChange(GtkWidget* strip, int previous, int active) {
  AtkObject* accessible = gtk_widget_get_accessible(strip);
  for (int index : {previous, active}) {
    if (AtkObject* tab = atk_object_ref_accessible_child(accessible, index)) {
      atk_object_notify_state_change(tab, ATK_STATE_SELECTED, index == active);
      g_object_unref(tab);
    }
  }
  g_signal_emit_by_name(accessible, "selection-changed");
}

}  // namespace vantile
