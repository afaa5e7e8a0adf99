#include "eventkit/reminder_cache.h"

#include <sys/stat.h>

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "eventkit/cached_list_folder.h"
#include "eventkit/folder_watch.h"
#include "eventkit/list_folder.h"

namespace {
// Calendar properties are looked for in this many files at most: an
// exported calendar is one file, and a folder of single reminders rarely
// carries them at all.
constexpr std::size_t kFilesForCalendarProperties = 16;
// Past this many cached to-dos, alarms and files, folders the current read
// did not touch are forgotten.
constexpr std::size_t kMaxCachedCost = 4 * (kMaxComponentsPerFetch + kMaxReminderFilesPerFetch);

// The reminders of `contents` that fit in what the fetch may still read.
std::size_t take(const ReminderFileContents& contents, FetchBudget& budget, bool& ranOut) {
  std::size_t taken = 0;
  for (const ReminderRecord& reminder : contents.reminders) {
    const std::size_t cost = 1 + reminder.alarms.size();
    if (cost > budget.components) {
      ranOut = true;
      budget.components = 0;
      break;
    }
    budget.components -= cost;
    ++taken;
  }
  return taken;
}

class ReminderCache {
 public:
  ListFiles read(const std::string& path, FetchBudget& budget) {
    std::lock_guard lock(mutex_);
    ListFiles out;
    const ScopedFd dirfd = openListFolder(path);
    CachedListFolder* folder = dirfd.valid() ? current(path, dirfd.get()) : nullptr;
    if (!folder) return out;
    out.folderTooLarge = folder->tooLarge;
    out.files.reserve(folder->files.size());
    for (CachedReminderFile& file : folder->files) {
      if (budget.files == 0 || budget.components == 0) {
        out.budgetRanOut = true;
        break;
      }
      --budget.files;
      if (!folder->lookAt(file, dirfd.get())) continue;  // gone since the folder was read
      ListFile listFile{file.name, file.contents, file.problem, 0};
      if (file.contents) listFile.remindersTaken = take(*file.contents, budget, out.budgetRanOut);
      out.files.push_back(std::move(listFile));
    }
    finishUse(*folder);
    return out;
  }

  CalendarProperties calendarProperties(const std::string& path) {
    std::lock_guard lock(mutex_);
    CalendarProperties properties;
    const ScopedFd dirfd = openListFolder(path);
    CachedListFolder* folder = dirfd.valid() ? current(path, dirfd.get()) : nullptr;
    if (!folder) return properties;
    const std::size_t looked = std::min(folder->files.size(), kFilesForCalendarProperties);
    for (std::size_t i = 0; i < looked && !(properties.name && properties.color); ++i) {
      CachedReminderFile& file = folder->files[i];
      if (!folder->lookAt(file, dirfd.get()) || !file.contents) continue;
      if (!properties.name) properties.name = file.contents->calendar.name;
      if (!properties.color) properties.color = file.contents->calendar.color;
    }
    finishUse(*folder);
    return properties;
  }

  void setWatching(bool watch) {
    std::lock_guard lock(mutex_);
    watch_.setEnabled(watch);
    if (!watch)
      for (auto& [path, folder] : folders_) unwatch(folder);
  }

  void forget() {
    std::lock_guard lock(mutex_);
    for (auto& [path, folder] : folders_) unwatch(folder);
    folders_.clear();
    totalCost_ = 0;
  }

 private:
  // The folder's cache entry, its listing brought up to date.
  CachedListFolder* current(const std::string& path, int dirfd) {
    struct stat st{};
    if (fstat(dirfd, &st) != 0) return nullptr;
    takeEvents();
    ++generation_;
    CachedListFolder& folder = folders_[path];
    const FileStamp stamp(st);
    if (folder.watch >= 0 && folder.stamp.inode != stamp.inode) unwatch(folder);  // another folder by that name
    if (folder.watch < 0) {
      // Whatever happened while unwatched is unknown: look at everything once.
      folder.watch = watch_.add(path, st.st_ino);
      if (folder.watch >= 0) watchedPaths_[folder.watch] = path;
      folder.markAllDirty();
    }
    const bool changed = folder.watch >= 0 ? folder.listingDirty : !folder.trusted || !(folder.stamp == stamp);
    if (!folder.listed || changed) {
      folder.relist(dirfd);
      folder.listed = true;
      folder.listingDirty = false;
      folder.trusted = settled(stamp);
    }
    folder.stamp = stamp;
    return &folder;
  }

  // Hands the changes the watches saw to their folders.
  void takeEvents() {
    const bool complete = watch_.drain([this](const FolderWatch::Event& event) {
      auto path = watchedPaths_.find(event.watch);
      if (path == watchedPaths_.end()) return;
      auto folder = folders_.find(path->second);
      if (folder == folders_.end()) return;
      if (event.watchEnded)
        unwatch(folder->second);
      else
        folder->second.note(event);
    });
    if (!complete)
      for (auto& [path, folder] : folders_) folder.markAllDirty();
  }

  void unwatch(CachedListFolder& folder) {
    if (folder.watch < 0) return;
    watch_.remove(folder.watch);
    watchedPaths_.erase(folder.watch);
    folder.watch = -1;
  }

  // Counts what the folder holds, and forgets the folders this read did not
  // use once the whole is past its bound.
  void finishUse(CachedListFolder& folder) {
    folder.lastUse = generation_;
    totalCost_ -= std::min(totalCost_, folder.cost);
    folder.cost = folder.files.size();
    for (const CachedReminderFile& file : folder.files)
      if (file.contents) folder.cost += file.contents->components;
    totalCost_ += folder.cost;
    if (totalCost_ <= kMaxCachedCost) return;
    for (auto it = folders_.begin(); it != folders_.end();) {
      if (it->second.lastUse == generation_) {
        ++it;
        continue;
      }
      totalCost_ -= std::min(totalCost_, it->second.cost);
      unwatch(it->second);
      it = folders_.erase(it);
    }
  }

  std::mutex mutex_;
  FolderWatch watch_;
  std::unordered_map<int, std::string> watchedPaths_;  // watch → folder path
  std::unordered_map<std::string, CachedListFolder> folders_;
  std::uint64_t generation_ = 0;
  std::size_t totalCost_ = 0;
};

ReminderCache& cache() {
  static ReminderCache* instance = new ReminderCache;  // lives as long as the store threads may
  return *instance;
}
}  // namespace

ListFiles readListFiles(const std::string& folder, FetchBudget& budget) { return cache().read(folder, budget); }

CalendarProperties listCalendarProperties(const std::string& folder) { return cache().calendarProperties(folder); }

std::size_t reminderFileReadsForTesting() { return reminderFileReadCount(); }

void forgetReminderFilesForTesting() { cache().forget(); }

void watchReminderFoldersForTesting(bool watch) { cache().setWatching(watch); }
