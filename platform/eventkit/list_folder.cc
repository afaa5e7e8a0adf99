#include "eventkit/list_folder.h"

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <string_view>

#include "eventkit/store_limits.h"

namespace {

bool isReminderFileName(std::string_view name) {
  return name.size() > 4 && name[0] != '.' && name.substr(name.size() - 4) == ".ics";
}

}  // namespace

ScopedFd openListFolder(const std::string& hostPath) {
  return ScopedFd(open(hostPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

ListFolderEntries listReminderFiles(int folder) {
  ListFolderEntries out;
  // The listing gets a descriptor of its own: closedir closes it, and the
  // caller keeps reading files through `folder`.
  ScopedFd copy(dup(folder));
  DIR* dir = copy.valid() ? fdopendir(copy.get()) : nullptr;
  if (!dir) return out;
  copy.release();
  // The copy shares the folder's read position, which an earlier listing
  // may have left at the end.
  rewinddir(dir);
  std::size_t seen = 0;
  while (dirent* entry = readdir(dir)) {
    if (++seen > kMaxListFolderEntries) {
      out.tooLarge = true;
      break;
    }
    if (!isReminderFileName(entry->d_name)) continue;
    out.reminderFiles.push_back({entry->d_name, entry->d_type != DT_REG});
  }
  closedir(dir);
  std::sort(out.reminderFiles.begin(), out.reminderFiles.end(),
            [](const ListFolderEntry& a, const ListFolderEntry& b) { return a.name < b.name; });
  return out;
}
