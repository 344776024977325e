// The panels (dock windows) this program unmapped, kept in the runtime
// folder while they are hidden, so that a start after a crash can map them
// again. Only panels we unmapped are ever mapped again: one its own program
// withdrew stays withdrawn.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vantile {

struct HiddenPanel {
  std::uint64_t window = 0;  // X11 window id
  std::int64_t pid = 0;      // its _NET_WM_PID, 0 when it had none
  bool operator==(const HiddenPanel&) const = default;
};

// One "window pid" line per panel.
std::string FormatPanelRecord(const std::vector<HiddenPanel>& panels);
// Lines that do not read as two numbers are skipped.
std::vector<HiddenPanel> ParsePanelRecord(std::string_view text);
// The record for one X display, in the runtime folder beside the instance lock.
std::filesystem::path PanelRecordPath(std::string_view display_name);

}  // namespace vantile
