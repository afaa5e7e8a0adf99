#include "class_listing.h"

#include <algorithm>
#include <vector>

#include "classes/class_table.h"
#include "runtime/objc.h"
#include "json_stream.h"

namespace sim {
namespace {

struct Listed {
  std::string name, type;
};

struct ListedClass {
  std::string name, superclass;
  std::vector<Listed> ivars, methods;  // methods as "-sel" or "+sel"
};

// Where the table puts a member in its class's order; past the end for one
// the table lacks, so that such a member (a defect) still shows, last.
std::size_t tableOrder(const sb::table::ClassEntry& entry, char kind, const std::string& name) {
  for (std::size_t i = 0; i < entry.members.size(); ++i)
    if (entry.members[i].kind == kind && entry.members[i].name == name) return i;
  return entry.members.size();
}

// What the runtime has of each table class: a member the table names but
// the simulator does not model is not there, and is not listed.
std::vector<ListedClass> listClasses(const std::string& ios) {
  std::vector<ListedClass> listed;
  for (const sb::table::ClassEntry& entry : sb::table::classesFor(ios)) {
    Class cls = objc_getClass(entry.name.c_str());
    if (!cls) continue;
    ListedClass c{entry.name, class_getSuperclass(cls) ? class_getName(class_getSuperclass(cls)) : "", {}, {}};
    std::vector<std::pair<std::size_t, Listed>> ivars, methods;
    for (Ivar v : class_copyIvarList(cls))
      ivars.push_back({tableOrder(entry, 'i', ivar_getName(v)), {ivar_getName(v), ivar_getTypeEncoding(v)}});
    Class meta = object_getClass(reinterpret_cast<id>(cls));
    for (auto [holder, kind] : {std::pair{cls, '-'}, std::pair{meta, '+'}})
      for (SEL s : class_copyMethodList(holder))
        methods.push_back({tableOrder(entry, kind, sel_getName(s)),
                           {std::string(1, kind) + sel_getName(s), class_getMethodTypeEncoding(holder, s)}});
    auto byOrder = [](const auto& a, const auto& b) { return a.first < b.first; };
    std::stable_sort(ivars.begin(), ivars.end(), byOrder);
    std::stable_sort(methods.begin(), methods.end(), byOrder);
    for (auto& [order, v] : ivars) c.ivars.push_back(std::move(v));
    for (auto& [order, m] : methods) c.methods.push_back(std::move(m));
    listed.push_back(std::move(c));
  }
  return listed;
}

}  // namespace

void writeClassListing(std::ostream& out, const std::string& ios, bool json) {
  std::vector<ListedClass> classes = listClasses(ios);
  if (!json) {
    out << "SpringBoard's classes on iOS " << ios << " (" << deviceSliceName(simulatedSlice()) << ")\n";
    for (const ListedClass& c : classes) {
      out << "\n" << c.name << " : " << c.superclass << "\n";
      for (const Listed& v : c.ivars) out << "  ivar " << v.name << "  " << v.type << "\n";
      for (const Listed& m : c.methods) out << "  " << m.name << "  " << m.type << "\n";
    }
    return;
  }
  nlohmann::json list = nlohmann::json::array();
  for (const ListedClass& c : classes) {
    nlohmann::json ivars = nlohmann::json::array(), methods = nlohmann::json::array();
    for (const Listed& v : c.ivars) ivars.push_back({{"name", v.name}, {"type", v.type}});
    for (const Listed& m : c.methods) methods.push_back({{"selector", m.name}, {"types", m.type}});
    list.push_back({{"name", c.name}, {"superclass", c.superclass}, {"ivars", ivars}, {"methods", methods}});
  }
  JsonStream(out).value({{"ios", ios}, {"classes", list}});
  out << "\n";
}

}  // namespace sim
