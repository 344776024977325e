// Timings of the settings store, for bench/settings_bench.py: reading a key
// of many values, and saving an allow-list of many programs. Prints one line
// per size: "parse N ms ns-per-value" and "save N ms writes".
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/reg_file.h"
#include "common/registry_store.h"
#include "shell/settings.h"

namespace {

double Milliseconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? argv[1] : "/tmp";
  for (int values : {25000, 50000, 100000, 200000}) {
    std::string file = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile\\Programs]\n";
    for (int i = 0; i < values; ++i) file += "\"Prog" + std::to_string(i) + "\"=\"/usr/bin/program" + std::to_string(i) + "\"\n";
    const auto start = std::chrono::steady_clock::now();
    vantile::ParseResult parsed = vantile::ParseRegFile(file, vantile::HKEY_CURRENT_USER);
    const double ms = Milliseconds(start);
    if (!parsed.issues.empty()) return 1;
    std::printf("parse %d %.1f %.0f\n", values, ms, ms * 1e6 / values);
  }
  for (int programs : {100, 1000, 10000}) {
    const std::filesystem::path settings = folder / ("settings-" + std::to_string(programs));
    vantile::RegistryStore store({settings, folder / "autostart"});
    vantile::Settings s;
    for (int i = 0; i < programs; ++i) s.Programs.push_back("/usr/bin/program" + std::to_string(i));
    s.ProgramCount = programs;
    const auto start = std::chrono::steady_clock::now();
    vantile::SaveSettings(store, s, "/usr/bin/vantile");
    const double ms = Milliseconds(start);
    struct stat st {};
    ::stat((settings / "HKEY_CURRENT_USER.reg").c_str(), &st);
    std::printf("save %d %.1f %lld\n", programs, ms, static_cast<long long>(st.st_size));
  }
  return 0;
}
