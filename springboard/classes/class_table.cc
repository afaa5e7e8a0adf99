#include "classes/class_table.h"

#include <map>
#include <optional>
#include <stdexcept>
#include <utility>

#include "coregraphics/CGGeometry.h"
#include "foundation/NSString.h"
#include "foundation/device.h"

namespace sb::table {

// The compiled-in classes/class_table.tsv (class_table_data.cc, generated
// by springboard/CMakeLists.txt).
extern const char* const kClassTableText;

namespace {

// The table covers every simulated version, and only those.
const std::vector<std::string>& kVersions = standin::knownSystemVersions();

std::optional<std::size_t> versionIndex(std::string_view version) {
  for (std::size_t i = 0; i < kVersions.size(); ++i)
    if (kVersions[i] == version) return i;
  return std::nullopt;
}

[[noreturn]] void badType(std::string_view type, const std::string& why) {
  throw std::invalid_argument("class table type \"" + std::string(type) + "\": " + why);
}

bool isIdentifier(std::string_view s) {
  if (s.empty() || (s[0] >= '0' && s[0] <= '9')) return false;
  for (char c : s)
    if (!(c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

// One value's neutral encoding, as objc_encode writes it here: NSInteger "l",
// NSUInteger "L", CGFloat and a real double both "d" (`realDouble` tells
// them apart for deviceEncoding).
struct Neutral {
  std::string text;
  bool realDouble = false;
};

// Numbers and structures: the same in a method's type and an ivar's.
std::optional<std::string> scalarEncoding(std::string_view t) {
  static const std::map<std::string_view, std::string> scalars = {
      {"id", objc_encode<id>()},
      {"Class", objc_encode<Class>()},
      {"SEL", objc_encode<SEL>()},
      {"BOOL", objc_encode<bool>()},
      {"char", objc_encode<char>()},
      {"unsigned-char", objc_encode<unsigned char>()},
      {"short", objc_encode<short>()},
      {"unsigned-short", objc_encode<unsigned short>()},
      {"int", objc_encode<int>()},
      {"unsigned", objc_encode<unsigned>()},
      {"long-long", objc_encode<long long>()},
      {"unsigned-long-long", objc_encode<unsigned long long>()},
      {"NSInteger", objc_encode<NSInteger>()},
      {"NSUInteger", objc_encode<NSUInteger>()},
      {"CGFloat", objc_encode<CGFloat>()},
      {"float", objc_encode<float>()},
      {"CGPoint", objc_encode<CGPoint>()},
      {"CGSize", objc_encode<CGSize>()},
      {"CGRect", objc_encode<CGRect>()},
      {"NSRange", objc_encode<NSRange>()},
      // UIKit's and Core Graphics' structures of CGFloats, which this
      // platform does not declare.
      {"UIEdgeInsets", "{UIEdgeInsets=dddd}"},
      {"CGAffineTransform", "{CGAffineTransform=dddddd}"},
      {"NSZone", "{_NSZone=}"},
      {"block", "@?"},
  };
  auto it = scalars.find(t);
  if (it != scalars.end()) return it->second;
  if (t.starts_with("struct-") && isIdentifier(t.substr(7))) return "{" + std::string(t.substr(7)) + "=}";
  return std::nullopt;
}

// A pointer that is not an object: "char*", "void*", "id*", "CGPoint*",
// "struct-NAME*"; in a method type, where objects are id, also any other
// "NAME*" (as "^v"). Not a pointer to a block or to a real double: neither
// is in the vocabulary.
std::optional<std::string> pointerEncoding(std::string_view t, bool method) {
  if (!t.ends_with('*')) return std::nullopt;
  std::string_view to = t.substr(0, t.size() - 1);
  if (to == "char") return objc_encode<char*>();
  if (to == "void") return objc_encode<void*>();
  if (to == "block" || to == "double") return std::nullopt;
  if (std::optional<std::string> pointee = scalarEncoding(to)) return "^" + *pointee;
  if (method && isIdentifier(to)) return std::string("^v");
  return std::nullopt;
}

Neutral valueEncoding(std::string_view t, std::string_view whole, bool method) {
  if (t == "double") return {objc_encode<RealDouble>(), true};
  if (t == "NSZone") badType(whole, "a zone is passed by pointer (NSZone*)");
  if (std::optional<std::string> s = scalarEncoding(t)) return {*s, false};
  if (std::optional<std::string> p = pointerEncoding(t, method)) return {*p, false};
  if (t.empty()) badType(whole, "a type is missing");
  badType(whole, "\"" + std::string(t) + "\" is not a type of the table's vocabulary");
}

// "Class<P,Q>*" (protocols optional) or "id<P,Q>": the class ("id" for id)
// and the protocols; nothing for any other type.
std::optional<std::pair<std::string_view, std::vector<std::string_view>>> objectType(std::string_view t,
                                                                                     std::string_view whole) {
  std::string_view rest = t;
  bool pointer = rest.ends_with('*');
  if (pointer) rest.remove_suffix(1);
  std::size_t open = rest.find('<');
  std::string_view cls = rest.substr(0, open);
  if (!isIdentifier(cls)) return std::nullopt;
  std::vector<std::string_view> protocols;
  if (open != std::string_view::npos) {
    if (!rest.ends_with('>')) badType(whole, "protocols do not end with '>'");
    std::string_view list = rest.substr(open + 1, rest.size() - open - 2);
    for (std::size_t at = 0;;) {
      std::size_t comma = list.find(',', at);
      std::string_view p = list.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at);
      if (!isIdentifier(p)) badType(whole, "\"" + std::string(p) + "\" is not a protocol name");
      protocols.push_back(p);
      if (comma == std::string_view::npos) break;
      at = comma + 1;
    }
  }
  if (cls == "id" ? pointer : !pointer) return std::nullopt;
  if (cls == "id" && protocols.empty()) return std::nullopt;
  if (cls != "id" && scalarEncoding(cls) && protocols.empty()) return std::nullopt;  // "CGPoint*" and the like
  if (cls != "id" && (cls == "char" || cls == "void")) return std::nullopt;
  return std::make_pair(cls, std::move(protocols));
}

}  // namespace

const std::vector<std::string>& versions() { return kVersions; }

std::string methodEncoding(const std::string& type, DeviceSlice slice) {
  std::size_t open = type.find('(');
  if (open == std::string::npos || type.back() != ')') badType(type, "a method type is R(A1,A2,...)");
  std::string_view inside = std::string_view(type).substr(open + 1, type.size() - open - 2);
  if (inside.find_first_of("()") != std::string_view::npos) badType(type, "unbalanced parentheses");
  std::string_view result = std::string_view(type).substr(0, open);
  if (result.find('<') != std::string_view::npos || inside.find('<') != std::string_view::npos)
    badType(type, "a method's objects are id (their encoding is \"@\")");

  Neutral r = result == "void" ? Neutral{objc_encode<void>(), false} : valueEncoding(result, type, true);
  std::string text = r.text + objc_encode<id>() + objc_encode<SEL>();
  std::uint64_t realDoubles = r.realDouble ? 1 : 0;
  unsigned position = 3;  // the result, self, _cmd, then the arguments
  for (std::size_t at = 0; !inside.empty();) {
    std::size_t comma = inside.find(',', at);
    std::string_view arg = inside.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at);
    if (arg == "void") badType(type, "an argument cannot be void");
    Neutral a = valueEncoding(arg, type, true);
    if (position >= 64) badType(type, "more arguments than an encoding can mark");
    if (a.realDouble) realDoubles |= std::uint64_t{1} << position;
    text += a.text;
    ++position;
    if (comma == std::string_view::npos) break;
    at = comma + 1;
  }
  return deviceEncoding(text, realDoubles, slice);
}

std::string ivarEncoding(const std::string& type, DeviceSlice slice) {
  if (type.find_first_of("(),") != std::string::npos && type.find('<') == std::string::npos)
    badType(type, "an ivar's type is not a method type");
  if (auto object = objectType(type, type)) {
    // A named class or protocols: the same text on every slice, and nothing
    // in it deviceEncoding would rewrite (it reads types, not the quoted
    // names a compiler writes for an ivar).
    std::string text = "@\"";
    if (object->first != "id") text += object->first;
    for (std::string_view p : object->second) text += "<" + std::string(p) + ">";
    return text + "\"";
  }
  if (type == "void") badType(type, "an ivar cannot be void");
  Neutral n = valueEncoding(type, type, false);
  return deviceEncoding(n.text, n.realDouble ? 1 : 0, slice);
}

namespace {

struct Row {
  std::size_t line;
  std::string cls;
  std::vector<bool> inVersion;
  std::string kind, member, type, source;
};

[[noreturn]] void malformed(std::size_t line, const std::string& why) {
  throw std::logic_error("class table line " + std::to_string(line) + ": " + why);
}

std::vector<bool> parseVersions(std::string_view text, std::size_t line) {
  std::vector<bool> in(kVersions.size(), false);
  for (std::size_t at = 0;;) {
    std::size_t comma = text.find(',', at);
    std::string_view item = text.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at);
    std::size_t dash = item.find('-');
    std::optional<std::size_t> first = versionIndex(item.substr(0, dash));
    std::optional<std::size_t> last = dash == std::string_view::npos ? first : versionIndex(item.substr(dash + 1));
    if (!first || !last) malformed(line, "\"" + std::string(item) + "\" is not a version or a range of versions");
    if (*first > *last) malformed(line, "the range \"" + std::string(item) + "\" runs backwards");
    for (std::size_t i = *first; i <= *last; ++i) {
      if (in[i]) malformed(line, "version " + kVersions[i] + " is listed twice");
      in[i] = true;
    }
    if (comma == std::string_view::npos) return in;
    at = comma + 1;
  }
}

bool isSelector(std::string_view s) {
  if (s.empty() || (s[0] >= '0' && s[0] <= '9') || s[0] == ':') return false;
  if (s.find(':') == std::string_view::npos) return isIdentifier(s);
  if (!s.ends_with(':')) return false;
  for (char c : s)
    if (!(c == ':' || c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
      return false;
  return true;
}

Row parseRow(std::string_view text, std::size_t line) {
  std::vector<std::string_view> fields;
  for (std::size_t at = 0;;) {
    std::size_t tab = text.find('\t', at);
    fields.push_back(text.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
    if (tab == std::string_view::npos) break;
    at = tab + 1;
  }
  if (fields.size() != 6) malformed(line, "expected 6 tab-separated fields, found " + std::to_string(fields.size()));
  for (std::string_view f : fields)
    if (f.empty()) malformed(line, "an empty field");
  Row row{line,
          std::string(fields[0]),
          parseVersions(fields[1], line),
          std::string(fields[2]),
          std::string(fields[3]),
          std::string(fields[4]),
          std::string(fields[5])};
  if (!isIdentifier(row.cls)) malformed(line, "\"" + row.cls + "\" is not a class name");
  if (row.kind == "superclass") {
    if (!isIdentifier(row.member)) malformed(line, "\"" + row.member + "\" is not a class name");
    if (row.type != "-") malformed(line, "a superclass row's type is \"-\"");
    return row;
  }
  if (row.kind != "ivar" && row.kind != "-" && row.kind != "+")
    malformed(line, "kind \"" + row.kind + "\" is none of superclass, ivar, -, +");
  if (row.kind == "ivar" ? !isIdentifier(row.member) : !isSelector(row.member))
    malformed(line, "\"" + row.member + "\" is not " + (row.kind == "ivar" ? "an ivar name" : "a selector"));
  try {
    for (DeviceSlice slice : {DeviceSlice::Arm64, DeviceSlice::Armv7}) {
      if (row.kind == "ivar")
        ivarEncoding(row.type, slice);
      else
        methodEncoding(row.type, slice);
    }
  } catch (const std::invalid_argument& e) {
    malformed(line, e.what());
  }
  if (row.kind != "ivar") {
    // A method's arguments match the colons of its selector.
    std::size_t colons = 0, commas = 0;
    for (char c : row.member) colons += c == ':';
    for (char c : row.type) commas += c == ',';
    std::size_t args = row.type.ends_with("()") ? 0 : commas + 1;
    if (args != colons)
      malformed(line, "\"" + row.member + "\" takes " + std::to_string(colons) + " arguments, its type " +
                          std::to_string(args));
  }
  return row;
}

}  // namespace

Table parseTable(std::string_view text) {
  std::vector<Row> rows;
  std::vector<std::string> classOrder;
  std::size_t line = 0;
  for (std::size_t at = 0; at <= text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view l = text.substr(at, end - at);
    at = end + 1;
    ++line;
    if (l.ends_with('\r')) l.remove_suffix(1);
    if (l.empty() || l.starts_with('#')) continue;
    rows.push_back(parseRow(l, line));
    bool known = false;
    for (const std::string& c : classOrder) known = known || c == rows.back().cls;
    if (!known) classOrder.push_back(rows.back().cls);
  }

  Table table;
  table.byVersion.resize(kVersions.size());
  for (std::size_t v = 0; v < kVersions.size(); ++v) {
    for (const std::string& cls : classOrder) {
      ClassEntry entry{cls, "", "", {}};
      const Row* superRow = nullptr;
      std::map<std::pair<char, std::string>, std::size_t> seen;
      for (const Row& row : rows) {
        if (row.cls != cls || !row.inVersion[v]) continue;
        if (row.kind == "superclass") {
          if (superRow)
            malformed(row.line, cls + " has a second superclass for " + kVersions[v] + " (the first at line " +
                                    std::to_string(superRow->line) + ")");
          superRow = &row;
          entry.superclass = row.member;
          entry.superclassSource = row.source;
          continue;
        }
        char kind = row.kind == "ivar" ? 'i' : row.kind[0];
        auto [it, fresh] = seen.emplace(std::make_pair(kind, row.member), row.line);
        if (!fresh)
          malformed(row.line, row.kind + " " + row.member + " of " + cls + " is listed twice for " + kVersions[v] +
                                  " (also at line " + std::to_string(it->second) + ")");
        entry.members.push_back(Member{kind, row.member, row.type, row.source});
      }
      if (!superRow) {
        if (!entry.members.empty())
          malformed(seen.begin()->second, cls + " has members for " + kVersions[v] + " but no superclass row");
        continue;
      }
      if (entry.superclass == cls) malformed(superRow->line, cls + " is its own superclass");
      // Ivars first, then methods, each in the table's order.
      std::vector<Member> ordered;
      for (int pass = 0; pass < 2; ++pass)
        for (Member& m : entry.members)
          if ((m.kind == 'i') == (pass == 0)) ordered.push_back(std::move(m));
      entry.members = std::move(ordered);
      table.byVersion[v].push_back(std::move(entry));
    }
  }
  return table;
}

const std::vector<ClassEntry>& classesFor(const std::string& version) {
  static const Table table = parseTable(kClassTableText);
  std::optional<std::size_t> v = versionIndex(version);
  if (!v) throw std::invalid_argument("the class table has no version \"" + version + "\"");
  return table.byVersion[*v];
}

const ClassEntry* classFor(const std::string& version, const std::string& className) {
  for (const ClassEntry& entry : classesFor(version))
    if (entry.name == className) return &entry;
  return nullptr;
}

const Member* memberOf(const ClassEntry& entry, char kind, const std::string& name) {
  for (const Member& m : entry.members)
    if (m.kind == kind && m.name == name) return &m;
  return nullptr;
}

}  // namespace sb::table
