#include "shell/gtk/webkit/page_dialogs_gtk.h"

#include <string>

#include "shell/gtk/glue/dialogs_gtk.h"
#include "shell/gtk/webkit/browser_note.h"
#include "shell/gtk/webkit/page_scripts.h"

namespace vantile {

namespace {

constexpr std::uint32_t MB_OK = 0x0;
constexpr std::uint32_t MB_OKCANCEL = 0x1;
constexpr std::uint32_t MB_ICONQUESTION = 0x20;
constexpr std::uint32_t MB_ICONINFORMATION = 0x40;

std::string Location(WebKitWebView* view) {
  const char* uri = webkit_web_view_get_uri(view);
  return uri ? uri : "";
}

}  // namespace

PageDialogsGtk::PageDialogsGtk(WebKitWebView* view, BrowserEvents* const& events, PageChannelGtk& channel,
                               const DocumentTrust& trust)
    : view_(view), events_(events), channel_(channel), trust_(trust) {
  g_signal_connect(view_, "script-dialog", G_CALLBACK(OnScriptDialog), this);
  g_signal_connect(view_, "print", G_CALLBACK(OnPrint), this);
}

PageDialogsGtk::~PageDialogsGtk() { g_signal_handlers_disconnect_by_data(view_, this); }

gboolean PageDialogsGtk::OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
  auto* self = static_cast<PageDialogsGtk*>(data);
  const char* raw = webkit_script_dialog_get_message(dialog);
  const std::string message = raw ? raw : "";
  const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog);
  if (type == WEBKIT_SCRIPT_DIALOG_PROMPT && message.starts_with(kAtOnceMarker)) {
    webkit_script_dialog_prompt_set_text(dialog, self->channel_.AnswerAtOnce(message).c_str());
    return TRUE;
  }
  if (!self->MayShow(dialog)) return TRUE;
  switch (type) {
    case WEBKIT_SCRIPT_DIALOG_ALERT:
      if (self->events_) {
        self->events_->WBMessages_ShowMessage(message, MB_OK | MB_ICONINFORMATION, "Alert", "", 0);
      }
      break;
    case WEBKIT_SCRIPT_DIALOG_CONFIRM: {
      const int pressed = self->events_ ? self->events_->WBMessages_ShowMessage(
                                              message, MB_OKCANCEL | MB_ICONQUESTION, "Confirm", "", 0)
                                        : IDCANCEL;
      webkit_script_dialog_confirm_set_confirmed(dialog, pressed == IDOK);
      break;
    }
    default:
      // An ordinary prompt(), or leaving a page that asks first: WebKit's own
      // box, which the page waits for; its gap counts from now.
      self->flood_.Closed(PageClock::now());
      return FALSE;
  }
  self->flood_.Closed(PageClock::now());
  return TRUE;
}

bool PageDialogsGtk::MayShow(WebKitScriptDialog* dialog) {
  const bool was_dropping = flood_.dropping();
  if (flood_.MayShow(PageClock::now())) return true;
  if (!was_dropping) {
    Note("a page asks for message boxes without pause; the rest are dropped until you load a page or it is quiet for a minute: " +
         Location(view_));
  }
  // A dropped box answers as if dismissed; a page never keeps anyone from
  // leaving it.
  if (!dialog) return false;
  switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM: webkit_script_dialog_confirm_set_confirmed(dialog, FALSE); break;
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM: webkit_script_dialog_confirm_set_confirmed(dialog, TRUE); break;
    default: break;
  }
  return false;
}

gboolean PageDialogsGtk::OnPrint(WebKitWebView* view, WebKitPrintOperation* operation, gpointer data) {
  auto* self = static_cast<PageDialogsGtk*>(data);
  // A print dialog is as modal as a message box and a page could bring one
  // back after every Escape: only the user's own page may print, and its
  // dialogs count with its message boxes.
  if (!self->trust_.UsersOwnPage()) {
    Note("refused to print for a page that is not the desktop's own: " + Location(view));
    return TRUE;
  }
  if (!self->MayShow(nullptr)) return TRUE;
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
  webkit_print_operation_run_dialog(operation, GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr);
  self->flood_.Closed(PageClock::now());
  return TRUE;
}

}  // namespace vantile
