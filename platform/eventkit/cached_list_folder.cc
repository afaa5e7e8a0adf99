#include "eventkit/cached_list_folder.h"

#include <sys/stat.h>

#include "eventkit/list_folder.h"

void CachedListFolder::relist(int folder) {
  ListFolderEntries listing = listReminderFiles(folder);
  tooLarge = listing.tooLarge;
  std::vector<CachedReminderFile> entries(listing.reminderFiles.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i].name = std::move(listing.reminderFiles[i].name);
    entries[i].outsideWatch = listing.reminderFiles[i].maybeLinked;
  }
  // Both lists are sorted: one walk carries the known files over.
  auto known = files.begin();
  for (CachedReminderFile& entry : entries) {
    while (known != files.end() && known->name < entry.name) ++known;
    if (known != files.end() && known->name == entry.name) {
      const bool linked = entry.outsideWatch;
      entry = std::move(*known);
      entry.outsideWatch = entry.outsideWatch || linked;
    }
  }
  files = std::move(entries);
  fileIndex.clear();
  for (std::size_t i = 0; i < files.size(); ++i) fileIndex.emplace(files[i].name, i);
}

void CachedListFolder::markAllDirty() {
  listingDirty = true;
  for (CachedReminderFile& file : files) file.dirty = true;
}

void CachedListFolder::note(const FolderWatch::Event& event) {
  if (event.entriesChanged) listingDirty = true;
  if (event.name.empty()) return;
  if (auto at = fileIndex.find(std::string(event.name)); at != fileIndex.end()) files[at->second].dirty = true;
}

bool CachedListFolder::lookAt(CachedReminderFile& file, int folder) {
  if (watch >= 0 && !file.dirty && !file.outsideWatch) return true;
  struct stat st{};
  if (fstatat(folder, file.name.c_str(), &st, 0) != 0) {
    CachedReminderFile forgotten;  // the folder's next listing drops it
    forgotten.name = std::move(file.name);
    file = std::move(forgotten);
    return false;
  }
  file.dirty = false;
  if (!file.trusted || !(file.stamp == FileStamp(st))) rereadReminderFile(file, folder);
  return true;
}
