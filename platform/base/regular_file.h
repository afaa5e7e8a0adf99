// Reading a whole file that other programs write, bounded: only a regular
// file is read (a FIFO would block the reader for ever, a device file may
// never end, a folder is not content), and never more than a given size.
// Every reader of such a file in the platform and the simulator comes here.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

namespace standin {

enum class FileReadStatus { Read, Missing, NotRegular, TooLarge, Unreadable };

standin::FileReadStatus readRegularFile(const std::string& hostPath, std::size_t maxBytes, std::string* contents);

// The same read of `name` (relative: looked up in the folder held open as
// `folder`; absolute, or with AT_FDCWD: as a path), for a reader that walks a
// folder it holds open. `info`, when given, receives what the file was when
// it was looked at and opened, whenever the answer is Read, NotRegular or
// TooLarge.
standin::FileReadStatus readRegularFileAt(int folder, const std::string& name, std::size_t maxBytes,
                                          std::string* contents, struct stat* info = nullptr);

// The first `maxBytes` of a regular file, or all of a shorter one: for a
// look at a file's magic number before it is read whole. Never TooLarge.
standin::FileReadStatus readRegularFileHead(const std::string& hostPath, std::size_t maxBytes, std::string* contents);

// "is not a regular file", "is larger than N bytes", ... for messages.
std::string fileReadStatusText(standin::FileReadStatus status, std::size_t maxBytes);

}  // namespace standin
