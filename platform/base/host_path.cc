#include "base/host_path.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Absolute, links and ".." resolved as far as the path exists, without a
// trailing separator. A path that cannot be resolved comes back empty.
fs::path resolved(const std::string& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  if (ec) return {};
  fs::path out = fs::weakly_canonical(absolute, ec);
  if (ec) return {};
  if (out.has_relative_path() && out.filename().empty()) out = out.parent_path();
  return out;
}

}  // namespace

bool hostPathLiesIn(const std::string& path, const std::string& folder) {
  const fs::path f = resolved(folder), p = resolved(path);
  // A folder that cannot be resolved holds everything: the callers ask in
  // order not to write into it.
  if (f.empty()) return true;
  // Compared by component, so "root-b" is not taken for a part of "root".
  return std::mismatch(f.begin(), f.end(), p.begin(), p.end()).first == f.end();
}
