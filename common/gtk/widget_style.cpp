#include "common/gtk/widget_style.h"

#include "common/gtk/gobject_ptr.h"

namespace vantile {

namespace {

void AddProvider(GtkWidget* widget, gpointer provider) {
  gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(provider),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  if (GTK_IS_CONTAINER(widget)) gtk_container_forall(GTK_CONTAINER(widget), AddProvider, provider);
}

}  // namespace

void StyleWidgetTree(GtkWidget* root, const char* css) {
  GObjectPtr<GtkCssProvider> provider(gtk_css_provider_new());
  gtk_css_provider_load_from_data(provider.get(), css, -1, nullptr);
  AddProvider(root, provider.get());
}

}  // namespace vantile
