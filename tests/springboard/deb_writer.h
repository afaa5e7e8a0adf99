// Debian packages made for the tests with libarchive.
#pragma once

#include <archive.h>
#include <archive_entry.h>

#include <string>
#include <vector>

namespace sbtest {

struct DebEntry {
  DebEntry(std::string p, std::string b = "", char t = 'f', std::string link = "")
      : path(std::move(p)), bytes(std::move(b)), type(t), linkTarget(std::move(link)) {}
  std::string path;   // as stored: "./Library/x", "../x", "/etc/x"
  std::string bytes;  // a file's contents
  char type;          // 'f' file, 'd' folder, 'l' symbolic link, 'h' hard link
  std::string linkTarget;
};

inline std::string archiveOf(const std::vector<DebEntry>& entries, bool ar, bool gzip = true) {
  archive* a = archive_write_new();
  if (ar)
    archive_write_set_format_ar_svr4(a);
  else
    archive_write_set_format_ustar(a);
  if (!ar && gzip) archive_write_add_filter_gzip(a);
  archive_write_set_bytes_in_last_block(a, 1);
  std::vector<char> out(8 << 20);
  size_t used = 0;
  archive_write_open_memory(a, out.data(), out.size(), &used);
  for (const DebEntry& e : entries) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, e.path.c_str());
    archive_entry_set_filetype(entry, e.type == 'd' ? AE_IFDIR : e.type == 'l' ? AE_IFLNK : AE_IFREG);
    archive_entry_set_perm(entry, e.type == 'd' ? 0755 : e.type == 'l' ? 0777 : 0644);
    if (e.type == 'l') archive_entry_set_symlink(entry, e.linkTarget.c_str());
    if (e.type == 'h') archive_entry_set_hardlink(entry, e.linkTarget.c_str());
    if (e.type == 'f') archive_entry_set_size(entry, static_cast<la_int64_t>(e.bytes.size()));
    archive_write_header(a, entry);
    if (e.type == 'f' && !e.bytes.empty()) archive_write_data(a, e.bytes.data(), e.bytes.size());
    archive_entry_free(entry);
  }
  archive_write_close(a);
  archive_write_free(a);
  return std::string(out.data(), used);
}

// A whole package; `dataName` and `gzip` let a test name or compress the data member otherwise.
inline std::string debOf(const std::vector<DebEntry>& data, const std::string& dataName = "data.tar.gz",
                         bool gzip = true) {
  std::string control = archiveOf({{"./", "", 'd'}, {"./control", "Package: org.example.test\nVersion: 1.0\n"}}, false);
  return archiveOf({{"debian-binary", "2.0\n"}, {"control.tar.gz", control}, {dataName, archiveOf(data, false, gzip)}},
                   true);
}

}  // namespace sbtest
