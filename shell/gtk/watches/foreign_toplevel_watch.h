// On a Wayland compositor with the foreign-toplevel-management protocol
// (wlroots compositors such as sway), follows the other programs' windows:
// their states and outputs, as the compositor announces them.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <set>

struct wl_output;
struct wl_registry;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace vantile {

class ForeignToplevelWatch {
 public:
  // Whether the compositor of `window`'s display could be asked at all.
  static bool Possible(GtkWidget* window);
  // `changed` hears every change of "covered" (see OutputCovered).
  ForeignToplevelWatch(GtkWidget* window, std::function<void(bool covered)> changed);
  ~ForeignToplevelWatch();
  ForeignToplevelWatch(const ForeignToplevelWatch&) = delete;
  ForeignToplevelWatch& operator=(const ForeignToplevelWatch&) = delete;

  struct Window {
    std::set<wl_output*> outputs;
    bool fullscreen = false, activated = false, minimized = false;
    // The state announced since the last "done".
    bool next_fullscreen = false, next_activated = false, next_minimized = false;
  };

  // The protocol's listeners reach these.
  void Bind(wl_registry* registry, unsigned name, unsigned version);
  void Add(zwlr_foreign_toplevel_handle_v1* handle);
  void Remove(zwlr_foreign_toplevel_handle_v1* handle);
  Window* Find(zwlr_foreign_toplevel_handle_v1* handle);
  void Judge();

 private:
  GtkWidget* window_;
  std::function<void(bool)> changed_;
  wl_registry* registry_ = nullptr;
  zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
  std::map<zwlr_foreign_toplevel_handle_v1*, Window> windows_;
  bool covered_ = false;
};

}  // namespace vantile
