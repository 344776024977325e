// tabstrip-preview: a LightTab beside its property page, for looking at the
// control while changing its properties. A developer's tool, installed
// nowhere.
//
//   tabstrip-preview [CAPTION [NUMBER_OF_TABS [ACTIVE_TAB]]]
#include <gtk/gtk.h>

#include <string>

#include "dialogs/gtk/light_tab_gtk.h"
#include "dialogs/property_page.h"

namespace vantile {
namespace {

class PreviewWindow {
 public:
  explicit PreviewWindow(const LightTab::PropertyBag& properties)
      : window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)), tab_widget_(control_), page_(control_) {
    control_.ReadProperties(properties);
    control_.AfterTabChange = [this](std::int16_t index) {
      Status("AfterTabChange(" + std::to_string(index) + ")");
    };
    gtk_window_set_title(GTK_WINDOW(window_), "Tab strip preview");
    g_signal_connect(window_, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    gtk_container_set_border_width(GTK_CONTAINER(box), 12);
    gtk_container_add(GTK_CONTAINER(window_), box);
    gtk_widget_set_size_request(tab_widget_.widget(), 320, 160);
    gtk_widget_set_valign(tab_widget_.widget(), GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(box), tab_widget_.widget(), FALSE, FALSE, 0);

    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 6);
    gtk_box_pack_start(GTK_BOX(box), grid, FALSE, FALSE, 0);

    GtkAdjustment* range = gtk_adjustment_new(0, 0, PropertyPage1::kHScrollMax + 1, 1, 1, 1);
    hscroll_ = gtk_scrollbar_new(GTK_ORIENTATION_HORIZONTAL, range);
    g_signal_connect(range, "value-changed", G_CALLBACK(+[](GtkAdjustment* adjustment, gpointer self) {
                       auto* preview = static_cast<PreviewWindow*>(self);
                       preview->page_.HScroll1_Change(static_cast<int>(gtk_adjustment_get_value(adjustment)));
                       preview->ShowTexts();
                     }), this);
    txt_index_ = Entry(grid, 0, "Index", nullptr);
    gtk_editable_set_editable(GTK_EDITABLE(txt_index_), FALSE);
    gtk_grid_attach(GTK_GRID(grid), hscroll_, 1, 1, 1, 1);
    txt_caption_ = Entry(grid, 2, "Caption:", "caption");
    txt_tabs_ = Entry(grid, 3, "Tabs:", "tabs");
    txt_active_ = Entry(grid, 4, "ActiveTab:", "active");
    GtkWidget* apply = gtk_button_new_with_mnemonic("_Apply");
    g_signal_connect(apply, "clicked", G_CALLBACK(+[](GtkButton*, gpointer self) {
                       auto* preview = static_cast<PreviewWindow*>(self);
                       std::string error = preview->page_.ApplyChanges();
                       if (!error.empty()) preview->Status(error);
                     }), this);
    gtk_grid_attach(GTK_GRID(grid), apply, 1, 5, 1, 1);
    status_ = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(status_), 0);
    gtk_label_set_max_width_chars(GTK_LABEL(status_), 40);
    gtk_label_set_line_wrap(GTK_LABEL(status_), TRUE);
    gtk_grid_attach(GTK_GRID(grid), status_, 0, 6, 2, 1);

    page_.SelectionChanged();
    ShowTexts();
    gtk_widget_show_all(window_);
  }

 private:
  GtkWidget* Entry(GtkWidget* grid, int row, const char* label, const char* field) {
    GtkWidget* caption = gtk_label_new(label);
    gtk_label_set_xalign(GTK_LABEL(caption), 1);
    gtk_grid_attach(GTK_GRID(grid), caption, 0, row, 1, 1);
    GtkWidget* entry = gtk_entry_new();
    gtk_grid_attach(GTK_GRID(grid), entry, 1, row, 1, 1);
    if (field) {
      g_object_set_data(G_OBJECT(entry), "field", const_cast<char*>(field));
      g_signal_connect(entry, "changed", G_CALLBACK(+[](GtkEditable* editable, gpointer self) {
                         auto* preview = static_cast<PreviewWindow*>(self);
                         if (preview->showing_) return;
                         std::string which = static_cast<const char*>(g_object_get_data(G_OBJECT(editable), "field"));
                         auto field = which == "caption" ? PropertyPage1::Field::Caption
                                      : which == "tabs"  ? PropertyPage1::Field::NumberOfTabs
                                                         : PropertyPage1::Field::ActiveTab;
                         preview->page_.Edit(field, gtk_entry_get_text(GTK_ENTRY(editable)));
                       }), this);
    }
    return entry;
  }

  void ShowTexts() {
    showing_ = true;
    gtk_entry_set_text(GTK_ENTRY(txt_index_), page_.txtIndex.c_str());
    gtk_entry_set_text(GTK_ENTRY(txt_caption_), page_.txtCaption.c_str());
    gtk_entry_set_text(GTK_ENTRY(txt_tabs_), page_.txtNumberOfTabs.c_str());
    gtk_entry_set_text(GTK_ENTRY(txt_active_), page_.txtActiveTab.c_str());
    showing_ = false;
  }

  void Status(const std::string& text) { gtk_label_set_text(GTK_LABEL(status_), text.c_str()); }

  LightTab control_;
  GtkWidget* window_;
  LightTabWidget tab_widget_;
  PropertyPage1 page_;
  GtkWidget* hscroll_ = nullptr;
  GtkWidget* txt_index_ = nullptr;
  GtkWidget* txt_caption_ = nullptr;
  GtkWidget* txt_tabs_ = nullptr;
  GtkWidget* txt_active_ = nullptr;
  GtkWidget* status_ = nullptr;
  bool showing_ = false;
};

}  // namespace
}  // namespace vantile

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  vantile::LightTab::PropertyBag properties;
  if (argc > 1) properties["Caption"] = argv[1];
  if (argc > 2) properties["NumberOfTabs"] = argv[2];
  if (argc > 3) properties["ActiveTab"] = argv[3];
  vantile::PreviewWindow preview(properties);
  gtk_main();
  return 0;
}
