// The page data sources behind `vantile.read(source)` and `vantile.watch`:
// each source is a row of one table and a file of its own in sources/, and
// turns what SystemData reports into the reading a page gets. A source is
// made the first time a page asks for it and samples only when asked, so
// nothing is read that no page shows.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "shell/page_api/page_api.h"
#include "shell/page_api/system_data.h"

namespace vantile {

class PageSource {
 public:
  virtual ~PageSource() = default;
  // One reading for the watch `watch` (0: a single read), answered through
  // `reply` exactly once, now or later.
  virtual void Read(SystemData& system, std::uint64_t watch, const PageReply& reply) = 0;
};

struct PageSourceRow {
  std::string_view name;
  std::unique_ptr<PageSource> (*make)();
  // For a source that changes now and then: what tells of its changes.
  std::optional<Followed> followed = std::nullopt;
};

// Every source, in the order the error for an unknown name lists them.
std::span<const PageSourceRow> PageSourceTable();

// The sources of one view.
class PageSources {
 public:
  explicit PageSources(SystemData& system);
  ~PageSources();
  PageSources(const PageSources&) = delete;
  PageSources& operator=(const PageSources&) = delete;

  // A reading of the source `name`, for the watch `watch` (0: none).
  void Read(std::string_view name, std::uint64_t watch, const PageReply& reply);
  // The next reading of the watch `watch` that differs from the last one
  // it was given, for a source that changes now and then: at once when it
  // differs already, otherwise when the system tells of a change. Its page
  // asks again after each answer, and so costs nothing between changes.
  // For any other source, a reading as Read gives.
  void ReadChange(std::string_view name, std::uint64_t watch, const PageReply& reply);
  // Another document: what each watch was given is forgotten, and a
  // watch's waiting call is answered with a reason.
  void Forget();

  // Calls waiting for a change at once, one per watch: past that, the
  // lowest watch, which its page made first, is answered and forgotten.
  static constexpr std::size_t kMaxWaiting = 64;

 private:
  struct Waiting {
    std::string source;
    std::string given;   // the last answer, as text
    PageReply reply;     // null while the watch has no call waiting
    std::uint64_t call = 0;
  };
  void Check(std::uint64_t watch);
  void Changed(Followed which);

  SystemData& system_;
  std::map<std::string, std::unique_ptr<PageSource>, std::less<>> made_;
  std::map<std::uint64_t, Waiting> waiting_;
  std::uint64_t calls_ = 0;  // numbers each waiting call, across documents
  // Readings that come later hold this weakly: once it is gone, so are we.
  std::shared_ptr<PageSources*> alive_;
};

// What a source remembers for each watch (the last sample, for usage and
// rates), for at most kMaxWatches watches: past that the lowest id, which
// a page made first, is forgotten.
template <typename Sample>
class PerWatch {
 public:
  static constexpr std::size_t kMaxWatches = 64;
  // The sample kept for `watch`, if any, and `now` kept in its place.
  std::optional<Sample> Swap(std::uint64_t watch, Sample now) {
    if (watch == 0) return std::nullopt;
    auto found = samples_.find(watch);
    if (found == samples_.end()) {
      if (samples_.size() >= kMaxWatches) samples_.erase(samples_.begin());
      samples_.emplace(watch, std::move(now));
      return std::nullopt;
    }
    return std::exchange(found->second, std::move(now));
  }

 private:
  std::map<std::uint64_t, Sample> samples_;
};

// The readers, one per file in sources/.
std::unique_ptr<PageSource> MakeCpuSource();
std::unique_ptr<PageSource> MakeMemorySource();
std::unique_ptr<PageSource> MakeNetworkSource();
std::unique_ptr<PageSource> MakeDisksSource();
std::unique_ptr<PageSource> MakePowerSource();
std::unique_ptr<PageSource> MakeDesktopSource();

// A reading, or the reason it is missing, as an answer.
template <typename T, typename Format>
PageAnswer AnswerOf(const Reading<T>& reading, Format format) {
  if (!reading.figures) return PageAnswer::Error(reading.why_not.empty() ? "it cannot be read here" : reading.why_not);
  return PageAnswer::Value(format(*reading.figures));
}

}  // namespace vantile
