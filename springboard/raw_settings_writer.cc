#include "raw_settings_writer.h"

#include <plist/plist.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "foundation/device.h"
#include "base/regular_file.h"
#include "qst/settings_table.h"

namespace sb {
namespace {

namespace fs = std::filesystem;

// A settings file larger than this is not one a settings program wrote: the
// writer starts afresh rather than read it.
constexpr std::size_t kMaxSettingsFileBytes = 4 << 20;

plist_t toPlist(const SettingValue& value) {
  if (auto* b = std::get_if<bool>(&value)) return plist_new_bool(*b);
  // libplist keeps one integer node; a negative value is its 64-bit pattern,
  // which property-list readers give back as the signed number.
  if (auto* i = std::get_if<long long>(&value)) return plist_new_uint(static_cast<uint64_t>(*i));
  return plist_new_string(std::get<std::string>(value).c_str());
}

}  // namespace

void* RawSettingsWriter::current() const {
  std::string bytes;
  plist_t parsed = nullptr;
  if (standin::readRegularFile(standin::resolveDevicePath(qst::kSettingsFilePath), kMaxSettingsFileBytes, &bytes) ==
          standin::FileReadStatus::Read &&
      !bytes.empty())
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &parsed);
  if (parsed && plist_get_node_type(parsed) == PLIST_DICT) return parsed;
  if (parsed) plist_free(parsed);
  return plist_new_dict();
}

void RawSettingsWriter::write(void* dictionary) {
  plist_t dict = static_cast<plist_t>(dictionary);
  char* xml = nullptr;
  uint32_t length = 0;
  plist_to_xml(dict, &xml, &length);
  plist_free(dict);
  std::string bytes(xml ? xml : "", xml ? length : 0);
  free(xml);
  try {
    folder_.ensure();
  } catch (const PrivateFolderError& e) {
    throw SettingError(e.what());
  }
  const std::string& folder = folder_.path();
  fs::path file = folder + qst::kSettingsFilePath;
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  // As a settings program saves: a new file put in place whole, so the
  // library never reads half of one.
  fs::path partial = file;
  partial += ".new";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) throw SettingError("cannot write the settings into the private folder " + folder);
  }
  fs::rename(partial, file, ec);
  if (ec) throw SettingError("cannot write the settings into the private folder " + folder + ": " + ec.message());
}

void RawSettingsWriter::set(const std::string& key, const SettingValue& value) {
  plist_t dict = static_cast<plist_t>(current());
  plist_dict_set_item(dict, key.c_str(), toPlist(value));
  write(dict);
}

void RawSettingsWriter::unset(const std::string& key) {
  plist_t dict = static_cast<plist_t>(current());
  if (plist_dict_get_item(dict, key.c_str())) plist_dict_remove_item(dict, key.c_str());
  write(dict);
}

void RawSettingsWriter::replaceAll(const Settings& settings) {
  plist_t dict = plist_new_dict();
  for (const auto& [key, value] : settings) plist_dict_set_item(dict, key.c_str(), toPlist(value));
  write(dict);
}

}  // namespace sb
