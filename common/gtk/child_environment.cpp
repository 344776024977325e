#include "common/gtk/child_environment.h"

#include <unistd.h>

#include <cstring>

namespace vantile {
namespace {

// Written only before other threads exist, read-only afterwards.
std::vector<std::string>& HiddenNames() {
  static std::vector<std::string> names;
  return names;
}

}  // namespace

void SetForThisProgramOnly(const char* name, const char* value) {
  g_setenv(name, value, TRUE);
  HiddenNames().emplace_back(name);
}

std::vector<char*> EnvironmentWithout(char* const* environment, const std::vector<std::string>& hidden) {
  std::vector<char*> kept;
  for (char* const* entry = environment; entry && *entry; ++entry) {
    const char* text = *entry;
    bool drop = false;
    for (const std::string& name : hidden) {
      if (std::strncmp(text, name.c_str(), name.size()) == 0 && text[name.size()] == '=') {
        drop = true;
        break;
      }
    }
    if (!drop) kept.push_back(*entry);
  }
  kept.push_back(nullptr);
  return kept;
}

std::vector<char*> ChildEnvironment() { return EnvironmentWithout(environ, HiddenNames()); }

GObjectPtr<GAppLaunchContext> ChildLaunchContext() {
  GObjectPtr<GAppLaunchContext> context(g_app_launch_context_new());
  for (const std::string& name : HiddenNames()) g_app_launch_context_unsetenv(context.get(), name.c_str());
  return context;
}

}  // namespace vantile
