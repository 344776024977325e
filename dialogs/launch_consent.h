// The launch confirmation: what a document the user did not write asks to
// start or open, put to the user before anything happens. The box names the
// site that asks, the program's full path, each argument as it will be
// passed and the working folder (or the folder to open), so that what the
// user agrees to is exactly what runs.
//
// The accepting button cannot be hit by a click or key already on its way:
// it stays insensitive until the box has had the focus for a second with
// no key or button pressed in it, and whenever the box does not have the
// focus. The toolkit view shows the text below and asks ConsentGate when
// to enable the button.
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
  // argument gets a row of its own, with how many characters it holds.
  struct Row {
    std::string label;
    std::string value;
    std::string note{};  // "12 characters" beside an argument
    bool operator==(const Row&) const = default;
  };
  std::vector<Row> rows;
};

// How a character shows on the screen, as the platform's Unicode tables
// tell (dialogs/gtk/unicode_look_gtk.h reads GLib's): as itself; as a
// combining mark, which shows only on a character that does; or as
// nothing a reader could be sure of, so it is written as a mark.
enum class Glyph { Itself, Combining, Mark };
using CharacterLook = Glyph (*)(char32_t code);

ConsentText DescribeConsent(const LaunchConsent& consent, CharacterLook look);

// An argument or path as the user can read it unambiguously. Every
// character `look` does not call plainly visible, a combining mark with
// nothing to combine with and a byte that is not UTF-8 are written as a
// mark such as <U+2028> or <0xC0> (the C0 controls as their symbols, a
// line feed as "␊"). Everything else is exactly as it will be passed. An
// empty argument shows as "" so that it is seen at all.
std::string VisibleText(std::string_view text, CharacterLook look);
// How many characters `text` holds, as the box says it: "1 character",
// "12 characters" (a byte that is not UTF-8 counts as one).
std::string CharacterCount(std::string_view text);

// When the accepting button may be pressed, over a clock the caller passes.
class ConsentGate {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kDelay = std::chrono::seconds(1);

  // The box has appeared, or got the focus back: the delay starts again.
  void Armed(Clock::time_point now) {
    armed_at_ = now;
  }
  // A key or button pressed in or over the box while the button is still
  // insensitive: whoever presses now is not reading it, so the wait starts
  // again. A press once the button is live is the answer.
  void Pressed(Clock::time_point now) {
    if (!MayAccept(now)) Armed(now);
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
