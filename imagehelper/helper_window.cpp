#include "imagehelper/helper_window.h"

#include <charconv>
#include <iostream>

#include "common/open_save_dialog.h"
#include "common/registry_types.h"
#include "common/zq_registry.h"

namespace vantile {

namespace {

constexpr std::uint32_t kSelectFlags = 0x801004;  // hide read-only, file must exist, sizing
constexpr std::uint32_t kSaveFlags = 0x800806;    // overwrite prompt, hide read-only, path must exist, sizing
constexpr std::int64_t kFallbackTwips = 10;

// The folder part of a chosen path, without its trailing separator.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::optional<std::int64_t> ParseWhole(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || end != text.data() + text.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    // A number past any screen is treated like any other off-screen value.
    return text.front() == '-' ? INT64_MIN / 2 : INT64_MAX / 2;
  }
  if (ec != std::errc()) return std::nullopt;
  return value;
}

}  // namespace

const char* HintText(HelperControl control) {
  switch (control) {
    case HelperControl::cmdBrowse: return "Click to select a program of file to grab an image from.";
    case HelperControl::cmdSave: return "Click to save the image shown.";
    case HelperControl::cmdExit: return "This will end the program... don't leave :(";
    case HelperControl::picIcon: return "Image preview area";
    case HelperControl::Background: break;
  }
  return kHelperCreditText;
}

std::optional<std::pair<std::int64_t, std::int64_t>> ParseWindowPos(const std::string& text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) return std::nullopt;
  auto left = ParseWhole(std::string_view(text).substr(0, comma));
  auto top = ParseWhole(std::string_view(text).substr(comma + 1));
  if (!left || !top) return std::nullopt;
  return std::make_pair(*left, *top);
}

Form1::Form1(HelperView& view, FileChooser& chooser, RegistryStore& store, IconPlatform& icons,
             IconLookupOptions lookup)
    : view_(view), chooser_(chooser), store_(store), icons_(icons), lookup_(std::move(lookup)) {}

Form1::~Form1() = default;

void Form1::Form_Load() {
  // Our imaging code needs no start-up step; palette alpha is always written.
  SetSaveEnabled(false);
  view_.SetHint(HintText(HelperControl::Background));
  LoadWindowState();
  // Several copies may run: a lock held by another copy is no reason to stop.
  instance_mutex_.TryAcquire(kHelperLockName);
}

void Form1::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  image_buffer_.reset();
  SaveWindowState();
  instance_mutex_.Release();
}

void Form1::SetSaveEnabled(bool enabled) {
  save_enabled_ = enabled;
  view_.SetSaveEnabled(enabled);
}

void Form1::MouseMove(HelperControl over) { view_.SetHint(HintText(over)); }

void Form1::cmdExit_Click() { view_.Close(); }

void Form1::cmdBrowse_Click() {
  OpenSaveDialog dialog(chooser_);
  dialog.SetDialogTitle("Select a program or file");
  dialog.SetFilter("Programs (*.exe)|*.exe|All Files (*.*)|*.*");
  dialog.SetFlags(static_cast<std::int32_t>(kSelectFlags));
  dialog.SetInitialDir(last_open_dir_);
  if (!dialog.ShowOpen(view_.Handle())) return;
  LoadIconImage(dialog.Filename());
}

void Form1::cmdSave_Click() {
  if (!image_buffer_) return;
  SaveImageAsPng();
}

void Form1::LoadIconImage(const std::string& path) {
  last_open_dir_ = FolderOf(path);
  SaveOutcome failure;
  std::optional<RgbaPicture> picture = LoadIconPicture(path, icons_, lookup_, failure);
  if (!picture) {
    view_.ShowMessage(failure.message, failure.title);
    return;
  }
  view_.ShowPreview(nullptr);
  image_buffer_ = std::make_unique<RgbaPicture>(std::move(*picture));
  image_width_ = image_buffer_->width;
  image_height_ = image_buffer_->height;
  view_.ShowPreview(image_buffer_.get());
  SetSaveEnabled(true);
}

void Form1::SaveImageAsPng() {
  if (!image_buffer_) return;
  OpenSaveDialog dialog(chooser_);
  dialog.SetDialogTitle("Save Image");
  dialog.SetFilter("PNG Images (*.png)|*.png");
  dialog.SetDefExt("png");
  dialog.SetForceExtension(true);
  dialog.SetInitialDir(last_save_dir_);
  dialog.SetFlags(static_cast<std::int32_t>(kSaveFlags));
  if (!dialog.ShowSave(view_.Handle())) return;
  const std::string file = dialog.Filename();
  last_save_dir_ = FolderOf(file);
  SaveOutcome outcome = WritePalettePng(*image_buffer_, file);
  if (!outcome.ok()) view_.ShowMessage(outcome.message, outcome.title);
}

void Form1::LoadWindowState() {
  ZqRegistry registry(store_);
  const bool opened = registry.OpenRegistry(HKEY_CURRENT_USER, kHelperSettingsKey);
  for (const std::string& problem : store_.UnreadableHives()) {
    std::cerr << "vantile-image-helper: " << problem << "; running on default settings and leaving the file as it is\n";
  }
  if (!opened) return;
  last_save_dir_ = registry.GetStringValue("LastSaveDir");
  const std::string pos = registry.GetStringValue("WindowPos");
  registry.CloseRegistry();
  if (pos.empty()) return;
  auto parsed = ParseWindowPos(pos);
  if (!parsed) return;
  auto [left, top] = *parsed;
  const WindowRect frame = view_.Frame();
  const std::int64_t max_left = (static_cast<std::int64_t>(view_.ScreenWidth()) - frame.width) * kTwipsPerPixel;
  const std::int64_t max_top = (static_cast<std::int64_t>(view_.ScreenHeight()) - frame.height) * kTwipsPerPixel;
  if (left < 0 || left > max_left) left = kFallbackTwips;
  if (top < 0 || top > max_top) top = kFallbackTwips;
  view_.MoveTo(TwipsToPixels(left), TwipsToPixels(top));
}

void Form1::SaveWindowState() {
  ZqRegistry registry(store_);
  // Both values reach the file together, in one write of the hive.
  RegistryStore::Transaction user_hive(store_, HKEY_CURRENT_USER);
  if (!registry.OpenRegistry(HKEY_CURRENT_USER, kHelperSettingsKey, true)) return;
  registry.SetStringValue("LastSaveDir", last_save_dir_);
  const WindowRect frame = view_.Frame();
  registry.SetStringValue("WindowPos", std::to_string(static_cast<std::int64_t>(frame.x) * kTwipsPerPixel) + "," +
                                           std::to_string(static_cast<std::int64_t>(frame.y) * kTwipsPerPixel));
  registry.CloseRegistry();
  user_hive.Commit();
}

}  // namespace vantile
