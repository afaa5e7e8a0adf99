#include "eventkit/cached_reminder_file.h"

#include <atomic>
#include <chrono>
#include <new>

#include "base/regular_file.h"

namespace {
std::atomic<std::size_t> fileReads{0};
}  // namespace

bool settled(const FileStamp& stamp) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto modified = std::chrono::seconds(stamp.modified.tv_sec) + std::chrono::nanoseconds(stamp.modified.tv_nsec);
  return modified + std::chrono::seconds(1) < now;
}

void rereadReminderFile(CachedReminderFile& file, int folder) {
  ++fileReads;
  std::shared_ptr<const ReminderFileContents> previous = std::move(file.contents);
  file.contents.reset();
  file.problem.clear();
  file.trusted = false;
  try {
    std::string text;
    struct stat st{};
    const standin::FileReadStatus status =
        standin::readRegularFileAt(folder, file.name, kMaxReminderFileBytes, &text, &st);
    // Missing (gone since the folder was listed) or unreadable: no version
    // to trust, so it is looked at again next time.
    if (status == standin::FileReadStatus::Missing || status == standin::FileReadStatus::Unreadable) return;
    file.stamp = FileStamp(st);
    file.trusted = settled(file.stamp);
    if (st.st_nlink > 1) file.outsideWatch = true;
    if (status == standin::FileReadStatus::NotRegular) {
      file.problem = "not a regular file";
      return;
    }
    if (status == standin::FileReadStatus::TooLarge) {
      file.problem = "larger than " + std::to_string(kMaxReminderFileBytes) + " bytes";
      return;
    }
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

std::size_t reminderFileReadCount() { return fileReads; }
