// The image helper's window: its state (the picture, the two folders, the
// instance lock), its commands and hint texts, and the two settings it keeps.
// The toolkit side (HelperView) only draws and forwards events, so all of
// this runs in tests over fakes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "common/file_chooser.h"
#include "common/instance_lock.h"
#include "common/registry_store.h"
#include "common/twips.h"
#include "imagehelper/conversion.h"
#include "imagehelper/icon_image.h"
#include "imagehelper/icon_source.h"

namespace vantile {

inline constexpr const char* kHelperCaption = "Vantile Image Helper";
inline constexpr const char* kHelperSettingsKey = "Software\\Quorel\\Vantile Helper";
inline constexpr const char* kHelperLockName = "VantileImage";
inline constexpr const char* kHelperIntroText =
    "This simple program will create 8-bit images with Alpha transparency from program icons.  "
    "These images can then be used on your Vantile page.";
inline constexpr const char* kHelperCreditText = "Vantile Image Helper - icons into page artwork";

// What the pointer is over, for the hint line.
enum class HelperControl { Background, cmdBrowse, cmdSave, cmdExit, picIcon };

// The hint line's text for a control.
const char* HintText(HelperControl control);

struct WindowRect {
  std::int32_t x = 0, y = 0, width = 0, height = 0;  // pixels
};

// The window as the toolkit shows it.
class HelperView {
 public:
  virtual ~HelperView() = default;
  virtual void SetSaveEnabled(bool enabled) = 0;
  virtual void SetHint(const std::string& text) = 0;
  virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
  // Shows the picture in the preview (nullptr clears it).
  virtual void ShowPreview(const RgbaPicture* picture) = 0;
  virtual WindowRect Frame() = 0;
  virtual std::int32_t ScreenWidth() = 0;
  virtual std::int32_t ScreenHeight() = 0;
  virtual void MoveTo(std::int32_t x, std::int32_t y) = 0;  // pixels
  virtual void Close() = 0;
  virtual OwnerWindow Handle() = 0;
};

// "1200,900" as the window's position in twips; nullopt unless the text is
// exactly two whole numbers joined by ",".
std::optional<std::pair<std::int64_t, std::int64_t>> ParseWindowPos(const std::string& text);

class Form1 {
 public:
  Form1(HelperView& view, FileChooser& chooser, RegistryStore& store, IconPlatform& icons,
        IconLookupOptions lookup = {});
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  void Form_Load();
  // The window is going away, whatever the reason. Runs once.
  void Form_Unload();
  void cmdBrowse_Click();
  void cmdSave_Click();
  void cmdExit_Click();
  void MouseMove(HelperControl over);

  void LoadIconImage(const std::string& path);
  void SaveImageAsPng();

  const RgbaPicture* ImageBuffer() const { return image_buffer_.get(); }
  std::int32_t ImageWidth() const { return image_width_; }
  std::int32_t ImageHeight() const { return image_height_; }
  const std::string& LastSaveDir() const { return last_save_dir_; }
  const std::string& LastOpenDir() const { return last_open_dir_; }
  bool SaveEnabled() const { return save_enabled_; }
  const InstanceLock& InstanceMutex() const { return instance_mutex_; }

 private:
  void LoadWindowState();
  void SaveWindowState();
  void SetSaveEnabled(bool enabled);

  HelperView& view_;
  FileChooser& chooser_;
  RegistryStore& store_;
  IconPlatform& icons_;
  IconLookupOptions lookup_;

  std::unique_ptr<RgbaPicture> image_buffer_;
  std::int32_t image_width_ = 0;
  std::int32_t image_height_ = 0;
  std::string last_save_dir_;
  std::string last_open_dir_;
  InstanceLock instance_mutex_;
  bool save_enabled_ = false;
  bool unloaded_ = false;
};

}  // namespace vantile
