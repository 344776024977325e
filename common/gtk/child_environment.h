// The environment of the programs the desktop starts. Some variables are
// ours alone: switches for the libraries this process uses (WebKit reads
// its compositing switch here and in the processes it starts), which a
// program the user starts from the desktop must not inherit. They are set
// once, before any thread runs, and never taken back: setenv and unsetenv
// race with getenv in every other thread, so changing the environment
// later is unsafe. Instead every start of a program leaves them out.
#pragma once

#include <gio/gio.h>

#include <string>
#include <vector>

#include "common/gtk/gobject_ptr.h"

namespace vantile {

// Sets `name` for this process and the helpers its libraries start, but not
// for the programs it starts. Only before any other thread exists (in main(),
// before the toolkit is set up).
void SetForThisProgramOnly(const char* name, const char* value);

// `environment` (a null-terminated list of NAME=value, such as environ)
// without the entries named in `hidden`; the pointers are `environment`'s own.
std::vector<char*> EnvironmentWithout(char* const* environment, const std::vector<std::string>& hidden);

// What posix_spawn is given: our environment without the variables that
// are ours alone. Valid while the environment is not changed.
std::vector<char*> ChildEnvironment();

// For every GIO launch (g_app_info_launch*, the default application of an
// address): a context whose children do not get the variables that are ours
// alone. Never null.
GObjectPtr<GAppLaunchContext> ChildLaunchContext();

}  // namespace vantile
