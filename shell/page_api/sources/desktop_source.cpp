// "desktop": the user's desktop folder and its entries, each with an icon
// address that an <img> of the user's own page can show (the file's icon,
// or a launcher's own, drawn by the image helper's code). A watch tells of
// a file added, removed or renamed there.
#include <algorithm>

#include "shell/page_api/icon_address.h"
#include "shell/page_api/page_sources.h"

namespace vantile {

namespace {

constexpr const char* KindName(DesktopEntryFigures::Kind kind) {
  switch (kind) {
    case DesktopEntryFigures::Kind::Folder: return "folder";
    case DesktopEntryFigures::Kind::Program: return "program";
    case DesktopEntryFigures::Kind::File: break;
  }
  return "file";
}

class DesktopSource : public PageSource {
 public:
  void Read(SystemData& system, std::uint64_t, const PageReply& reply) override {
    reply(AnswerOf(system.DesktopFolder(), [](const DesktopFolderFigures& folder) {
      std::vector<const DesktopEntryFigures*> sorted;
      for (const DesktopEntryFigures& entry : folder.entries) sorted.push_back(&entry);
      // Folders first, then by name: a stable order, so a watch tells only of changes.
      std::sort(sorted.begin(), sorted.end(), [](const auto* a, const auto* b) {
        const bool a_folder = a->kind == DesktopEntryFigures::Kind::Folder;
        const bool b_folder = b->kind == DesktopEntryFigures::Kind::Folder;
        return a_folder != b_folder ? a_folder : a->name < b->name;
      });
      Json entries = Json::array();
      for (const DesktopEntryFigures* e : sorted) {
        entries.push_back({{"name", e->name},
                           {"path", e->path},
                           {"kind", KindName(e->kind)},
                           {"type", e->type},
                           {"size", e->size},
                           {"modified", e->modified},
                           {"icon", IconAddress(e->path, e->modified)}});
      }
      return Json{{"folder", folder.folder}, {"entries", entries}};
    }));
  }
};

}  // namespace

std::unique_ptr<PageSource> MakeDesktopSource() { return std::make_unique<DesktopSource>(); }

}  // namespace vantile
