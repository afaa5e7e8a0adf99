// Reading a whole file that other programs write, bounded: only a regular
// file is read (a FIFO would block the reader for ever, a device file may
// never end, a folder is not content), and never more than a given size.
#pragma once

#include <cstddef>
#include <string>

enum class NSFileReadStatus { Read, Missing, NotRegular, TooLarge, Unreadable };

namespace standin {

NSFileReadStatus readRegularFile(const std::string& hostPath, std::size_t maxBytes, std::string* contents);
// "is not a regular file", "is larger than N bytes", ... for messages.
std::string fileReadStatusText(NSFileReadStatus status, std::size_t maxBytes);

}  // namespace standin
#define NSFileReadStatusText standin::fileReadStatusText  // env-rename: old name
#define NSReadRegularFile standin::readRegularFile  // env-rename: old name
