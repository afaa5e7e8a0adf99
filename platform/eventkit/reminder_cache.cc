#include "eventkit/reminder_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <mutex>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "eventkit/folder_watch.h"

namespace {
// Calendar properties are looked for in this many files at most: an
// exported calendar is one file, and a folder of single reminders rarely
// carries them at all.
constexpr std::size_t kFilesForCalendarProperties = 16;
// Past this many cached to-dos, alarms and files, folders the current read
// did not touch are forgotten.
constexpr std::size_t kMaxCachedCost = 4 * (kMaxComponentsPerFetch + kMaxReminderFilesPerFetch);

std::atomic<std::size_t> fileReads{0};

// What tells one version of a file or folder from the next.
struct Stamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};

  explicit Stamp(const struct stat& st = {})
      : device(st.st_dev), inode(st.st_ino), size(st.st_size), modified(st.st_mtim) {}
  bool operator==(const Stamp& o) const {
    return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec;
  }
};

// File systems stamp modification times from a coarse clock (a jiffy here,
// a whole second on some), so a file changed twice within one tick keeps its
// time. A stamp that is not safely older than the moment it was taken is
// not trusted: that file or folder is looked at afresh next time.
bool settled(const Stamp& stamp) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto modified = std::chrono::seconds(stamp.modified.tv_sec) + std::chrono::nanoseconds(stamp.modified.tv_nsec);
  return modified + std::chrono::seconds(1) < now;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

struct CachedFile {
  std::string name;
  Stamp stamp;
  bool trusted = false;
  // Under a folder watch, a file is looked at again only when an event named
  // it; one reached through a symbolic or hard link may change unnoticed
  // and is always looked at.
  bool dirty = true;
  bool outsideWatch = false;
  std::shared_ptr<const ReminderFileContents> contents;
  std::string problem;
  std::size_t textHash = 0;  // of the bytes `contents` was parsed from
};

struct CachedFolder {
  Stamp stamp;
  bool listed = false, trusted = false, tooLarge = false;
  int watch = -1;             // see FolderWatch; -1: every file is looked at
  bool listingDirty = true;   // under a watch: entries came or went
  std::vector<CachedFile> files;  // its .ics files, by name
  std::unordered_map<std::string, std::size_t> fileIndex;  // name → place in `files`
  std::uint64_t lastUse = 0;
  std::size_t cost = 0;
};

bool isReminderFileName(const char* name) {
  const std::string_view n(name);
  return n.size() > 4 && n[0] != '.' && n.substr(n.size() - 4) == ".ics";
}

// Reads a list folder's entries, keeping what is known of files still
// there; a folder beyond kMaxListFolderEntries is read that far.
void relist(CachedFolder& folder, int dirfd) {
  folder.tooLarge = false;
  std::vector<CachedFile> entries;
  const int copy = dup(dirfd);
  DIR* dir = copy >= 0 ? fdopendir(copy) : nullptr;
  if (!dir && copy >= 0) close(copy);
  if (dir) {
    rewinddir(dir);
    std::size_t seen = 0;
    while (dirent* entry = readdir(dir)) {
      if (++seen > kMaxListFolderEntries) {
        folder.tooLarge = true;
        break;
      }
      if (!isReminderFileName(entry->d_name)) continue;
      CachedFile& file = entries.emplace_back();
      file.name = entry->d_name;
      file.outsideWatch = entry->d_type != DT_REG;
    }
    closedir(dir);
  }
  auto byName = [](const CachedFile& a, const CachedFile& b) { return a.name < b.name; };
  std::sort(entries.begin(), entries.end(), byName);
  // Both lists are sorted: one walk carries the known files over.
  auto known = folder.files.begin();
  for (CachedFile& entry : entries) {
    while (known != folder.files.end() && known->name < entry.name) ++known;
    if (known != folder.files.end() && known->name == entry.name) {
      const bool linked = entry.outsideWatch;
      entry = std::move(*known);
      entry.outsideWatch = entry.outsideWatch || linked;
    }
  }
  folder.files = std::move(entries);
  folder.fileIndex.clear();
  for (std::size_t i = 0; i < folder.files.size(); ++i) folder.fileIndex.emplace(folder.files[i].name, i);
}

// Reads the file again; bytes identical to those last parsed (a file only
// touched, or looked at again within one clock tick) keep their parse.
void readFile(CachedFile& file, int dirfd) {
  ++fileReads;
  std::shared_ptr<const ReminderFileContents> previous = std::move(file.contents);
  file.contents.reset();
  file.problem.clear();
  file.trusted = false;
  // Non-blocking, so a FIFO put in a list folder cannot stall the store.
  Fd fd(openat(dirfd, file.name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat st {};
  if (fd.get() < 0 || fstat(fd.get(), &st) != 0) return;
  file.stamp = Stamp(st);
  file.trusted = settled(file.stamp);
  if (st.st_nlink > 1) file.outsideWatch = true;
  if (!S_ISREG(st.st_mode)) {
    file.problem = "not a regular file";
    return;
  }
  if (static_cast<std::uintmax_t>(st.st_size) > kMaxReminderFileBytes) {
    file.problem = "larger than " + std::to_string(kMaxReminderFileBytes) + " bytes";
    return;
  }
  try {
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
      const ssize_t got = read(fd.get(), text.data() + done, text.size() - done);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    text.resize(done);  // a file that shrank meanwhile is read as it now is
    const std::size_t hash = std::hash<std::string_view>()(text);
    if (previous && hash == file.textHash) {
      file.contents = std::move(previous);
      return;
    }
    auto contents = std::make_shared<ReminderFileContents>(parseReminderICS(text));
    file.textHash = hash;
    if (contents->readable) file.contents = std::move(contents);
  } catch (const std::bad_alloc&) {
    file.problem = "out of memory";
  }
}

class ReminderCache {
 public:
  ListFiles read(const std::string& path, FetchBudget& budget) {
    std::lock_guard lock(mutex_);
    ListFiles out;
    Fd dirfd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    CachedFolder* folder = dirfd.get() >= 0 ? current(path, dirfd.get()) : nullptr;
    if (!folder) return out;
    out.folderTooLarge = folder->tooLarge;
    out.files.reserve(folder->files.size());
    for (CachedFile& file : folder->files) {
      if (budget.files == 0 || budget.components == 0) {
        out.budgetRanOut = true;
        break;
      }
      --budget.files;
      if (!lookAt(*folder, file, dirfd.get())) continue;  // gone since the folder was read
      ListFile listFile{file.name, file.contents, file.problem, 0};
      if (file.contents) listFile.remindersTaken = take(*file.contents, budget, out.budgetRanOut);
      out.files.push_back(std::move(listFile));
    }
    finishUse(*folder);
    return out;
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

  CalendarProperties calendarProperties(const std::string& path) {
    std::lock_guard lock(mutex_);
    CalendarProperties properties;
    Fd dirfd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    CachedFolder* folder = dirfd.get() >= 0 ? current(path, dirfd.get()) : nullptr;
    if (!folder) return properties;
    const std::size_t looked = std::min(folder->files.size(), kFilesForCalendarProperties);
    for (std::size_t i = 0; i < looked && !(properties.name && properties.color); ++i) {
      CachedFile& file = folder->files[i];
      if (!lookAt(*folder, file, dirfd.get()) || !file.contents) continue;
      if (!properties.name) properties.name = file.contents->calendar.name;
      if (!properties.color) properties.color = file.contents->calendar.color;
    }
    finishUse(*folder);
    return properties;
  }

 private:
  // The folder's cache entry, its listing brought up to date.
  CachedFolder* current(const std::string& path, int dirfd) {
    struct stat st {};
    if (fstat(dirfd, &st) != 0) return nullptr;
    takeEvents();
    ++generation_;
    CachedFolder& folder = folders_[path];
    const Stamp stamp(st);
    if (folder.watch >= 0 && folder.stamp.inode != stamp.inode) unwatch(folder);  // another folder by that name
    if (folder.watch < 0) {
      // Whatever happened while unwatched is unknown: look at everything once.
      folder.watch = watch_.add(path, st.st_ino);
      if (folder.watch >= 0) watchedPaths_[folder.watch] = path;
      markAllDirty(folder);
    }
    const bool changed = folder.watch >= 0 ? folder.listingDirty : !folder.trusted || !(folder.stamp == stamp);
    if (!folder.listed || changed) {
      relist(folder, dirfd);
      folder.listed = true;
      folder.listingDirty = false;
      folder.trusted = settled(stamp);
    }
    folder.stamp = stamp;
    return &folder;
  }

  void takeEvents() {
    const bool complete = watch_.drain([this](const FolderWatch::Event& event) {
      auto path = watchedPaths_.find(event.watch);
      if (path == watchedPaths_.end()) return;
      auto folder = folders_.find(path->second);
      if (folder == folders_.end()) return;
      if (event.watchEnded) {
        unwatch(folder->second);
        return;
      }
      if (event.entriesChanged) folder->second.listingDirty = true;
      if (!event.name.empty())
        if (auto at = folder->second.fileIndex.find(std::string(event.name)); at != folder->second.fileIndex.end())
          folder->second.files[at->second].dirty = true;
    });
    if (!complete)
      for (auto& [path, folder] : folders_) markAllDirty(folder);
  }

  void unwatch(CachedFolder& folder) {
    if (folder.watch < 0) return;
    watch_.remove(folder.watch);
    watchedPaths_.erase(folder.watch);
    folder.watch = -1;
  }

  static void markAllDirty(CachedFolder& folder) {
    folder.listingDirty = true;
    for (CachedFile& file : folder.files) file.dirty = true;
  }

  // Brings one file up to date; false when it is gone.
  static bool lookAt(const CachedFolder& folder, CachedFile& file, int dirfd) {
    if (folder.watch >= 0 && !file.dirty && !file.outsideWatch) return true;
    struct stat st {};
    if (fstatat(dirfd, file.name.c_str(), &st, 0) != 0) {
      CachedFile forgotten;  // the folder's next listing drops it
      forgotten.name = std::move(file.name);
      file = std::move(forgotten);
      return false;
    }
    file.dirty = false;
    if (!file.trusted || !(file.stamp == Stamp(st))) readFile(file, dirfd);
    return true;
  }

  // The reminders of `contents` that fit in what the fetch may still read.
  static std::size_t take(const ReminderFileContents& contents, FetchBudget& budget, bool& ranOut) {
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

  void finishUse(CachedFolder& folder) {
    folder.lastUse = generation_;
    totalCost_ -= std::min(totalCost_, folder.cost);
    folder.cost = folder.files.size();
    for (const CachedFile& file : folder.files)
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
  std::unordered_map<std::string, CachedFolder> folders_;
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

std::size_t reminderFileReads() { return fileReads; }

void forgetReminderFiles() { cache().forget(); }

void watchReminderFolders(bool watch) { cache().setWatching(watch); }
