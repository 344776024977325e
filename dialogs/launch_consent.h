// The launch confirmation: what a document the user did not write asks to
// start or open, put to the user before anything happens. The box names the
// site that asks, the program's full path, each argument as it will be
// passed and the working folder (or the folder to open), so that what the
// user agrees to is exactly what runs.
//
// The accepting button cannot be hit by a click or key already on its way:
// it stays insensitive for a second after the box appears or gets the focus
// back, and whenever the box does not have the focus. The toolkit view
// shows the text below and asks ConsentGate when to enable the button.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantile {

struct LaunchConsent {
  enum class Kind { Launch, Folder };
  Kind kind = Kind::Launch;
  // The site that asks, as the user should see it (an origin such as
  // "https://example.com").
  std::string asker;
  // Launch: the program's full path, its arguments one by one, and the
  // folder it starts in.
  std::string program;
  std::vector<std::string> arguments;
  std::string directory;
  // Folder: the folder the file manager will show.
  std::string folder;

  bool operator==(const LaunchConsent&) const = default;
};

struct ConsentText {
  static constexpr const char* kCaption = "Vantile";
  static constexpr const char* kCancelCaption = "&Cancel";
  std::string heading;
  std::string explanation;
  // "&Start" or "&Open".
  std::string accept_caption;
  // Label and value rows, in order (program, folder, arguments); each
  // argument gets a row of its own.
  struct Row {
    std::string label;
    std::string value;
    bool operator==(const Row&) const = default;
  };
  std::vector<Row> rows;
};

ConsentText DescribeConsent(const LaunchConsent& consent);

// An argument or path as the user can read it unambiguously: control
// characters become their visible symbols (a line feed shows as "␊") and
// invisible direction marks, which could make one text read as another,
// are written as <U+202E>; everything else is exactly as it will be passed.
// An empty argument shows as "" so that it is seen at all.
std::string VisibleText(std::string_view text);

// When the accepting button may be pressed, over a clock the caller passes.
class ConsentGate {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kDelay = std::chrono::seconds(1);

  // The box has appeared, or got the focus back: the delay starts again.
  void Armed(Clock::time_point now) {
    armed_at_ = now;
  }
  void FocusChanged(bool focused, Clock::time_point now) {
    if (focused && !focused_) Armed(now);
    focused_ = focused;
  }
  bool MayAccept(Clock::time_point now) const {
    return focused_ && armed_at_ && now - *armed_at_ >= kDelay;
  }

 private:
  bool focused_ = false;
  std::optional<Clock::time_point> armed_at_;
};

}  // namespace vantile
