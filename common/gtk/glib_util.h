// unique_ptr owners for the plain GLib allocations we receive (strings,
// string arrays, errors, main loops, variants), beside GObjectPtr for objects.
#pragma once

#include <glib.h>

#include <memory>
#include <string>

#include "common/gtk/gobject_ptr.h"

namespace vantile {

using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

struct GErrorDeleter {
  void operator()(GError* e) const { g_error_free(e); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

struct GMainLoopDeleter {
  void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
};
using GMainLoopPtr = std::unique_ptr<GMainLoop, GMainLoopDeleter>;

struct GVariantDeleter {
  void operator()(GVariant* v) const { g_variant_unref(v); }
};
using GVariantPtr = std::unique_ptr<GVariant, GVariantDeleter>;

struct GStrvDeleter {
  void operator()(char** strv) const { g_strfreev(strv); }
};
using GStrvPtr = std::unique_ptr<char*, GStrvDeleter>;

// The text of an error for a log line ("" when there is none).
inline std::string ErrorText(const GErrorPtr& error) { return error ? std::string(error->message) : std::string(); }

}  // namespace vantile
