#include "shell/gtk/glue/dialogs_gtk.h"

#include "shell/gtk/webkit/web_sandbox.h"

#include <vector>

#include "common/gtk/owner_window_gtk.h"
#include "dialogs/gtk/about_box_gtk.h"
#include "dialogs/gtk/launch_consent_gtk.h"

namespace vantile {

namespace {

struct Button {
  const char* label;
  int id;
};

std::vector<Button> ButtonsFor(std::uint32_t style) {
  switch (style & 0xF) {
    case 1: return {{"_OK", IDOK}, {"_Cancel", IDCANCEL}};
    case 2: return {{"_Abort", IDABORT}, {"_Retry", IDRETRY}, {"_Ignore", IDIGNORE}};
    case 3: return {{"_Yes", IDYES}, {"_No", IDNO}, {"_Cancel", IDCANCEL}};
    case 4: return {{"_Yes", IDYES}, {"_No", IDNO}};
    case 5: return {{"_Retry", IDRETRY}, {"_Cancel", IDCANCEL}};
    case 6: return {{"_Cancel", IDCANCEL}, {"_Try Again", IDTRYAGAIN}, {"_Continue", IDCONTINUE}};
    default: return {{"_OK", IDOK}};
  }
}

GtkMessageType IconFor(std::uint32_t style) {
  switch (style & 0xF0) {
    case 0x10: return GTK_MESSAGE_ERROR;
    case 0x20: return GTK_MESSAGE_QUESTION;
    case 0x30: return GTK_MESSAGE_WARNING;
    case 0x40: return GTK_MESSAGE_INFO;
    default: return GTK_MESSAGE_OTHER;
  }
}

int CloseAnswer(const std::vector<Button>& buttons) {
  for (const auto& b : buttons) {
    if (b.id == IDCANCEL) return IDCANCEL;
  }
  for (const auto& b : buttons) {
    if (b.id == IDNO) return IDNO;
  }
  return buttons.front().id;
}

}  // namespace

int GtkDialogs::ShowMessage(const std::string& text, const std::string& title, std::uint32_t style) {
  const std::vector<Button> buttons = ButtonsFor(style);
  // The text comes from the page: it is an argument, never a format.
  GtkWidget* widget = gtk_message_dialog_new(owner_, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                             IconFor(style), GTK_BUTTONS_NONE, "%s", text.c_str());
  GtkDialog* box = GTK_DIALOG(widget);
  gtk_window_set_title(GTK_WINDOW(widget), title.c_str());
  gtk_window_set_position(GTK_WINDOW(widget), GTK_WIN_POS_CENTER_ON_PARENT);
  gtk_window_set_keep_above(GTK_WINDOW(widget), TRUE);
  for (const auto& b : buttons) gtk_dialog_add_button(box, b.label, b.id);
  const std::size_t default_index = (style >> 8) & 0xF;
  gtk_dialog_set_default_response(box, buttons[default_index < buttons.size() ? default_index : 0].id);

  const int response = gtk_dialog_run(box);
  gtk_widget_destroy(widget);
  ReturnFocusTo(owner_);
  return response > 0 ? response : CloseAnswer(buttons);
}

void GtkDialogs::ShowAbout(const std::string& web_address) {
  // The reason, which can be long, is on standard error and in the debug log.
  RunAboutBox(owner_, web_address, WebSandboxOff().empty() ? "" : "The web page sandbox is off.");
  ReturnFocusTo(owner_);
}

bool GtkDialogs::ConfirmLaunch(const LaunchConsent& consent) {
  const bool accepted = RunLaunchConsent(owner_, consent);
  ReturnFocusTo(owner_);
  return accepted;
}

void GtkDialogs::CloseOpenBox() {
  // Innermost first does not matter: each answered dialog's loop ends as
  // soon as the loops nested inside it have. A chooser opened from the
  // Options dialog is transient for that dialog, not for the main window,
  // so the whole chain of owners is followed.
  GList* windows = gtk_window_list_toplevels();
  for (GList* l = windows; l; l = l->next) {
    GtkWindow* window = GTK_WINDOW(l->data);
    if (!GTK_IS_DIALOG(window) || !gtk_widget_get_visible(GTK_WIDGET(window))) continue;
    for (GtkWindow* up = gtk_window_get_transient_for(window); up; up = gtk_window_get_transient_for(up)) {
      if (up == owner_) {
        gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_DELETE_EVENT);
        break;
      }
    }
  }
  g_list_free(windows);
  if (open_options_) open_options_->Cancel();
}

}  // namespace vantile
