// The Settings app, as much of it as shows the library's settings pane: it
// loads the preference bundle as the app does (its Info.plist, the
// executable mapped, the principal class made, then asked for its
// specifiers), shows each page's groups and rows with their current values,
// and works the pane's controls as a user does: a switch turned on or off, a
// choice picked by its shown name on the page its row opens (choice_page.h),
// a number or text typed, a list tapped.
// What the pane writes goes to the run's private folder
// (springboard/private_folder.h), which SpringBoard's driver makes before it
// opens the app.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/images.h"
#include "runtime/strong.h"

namespace sb {

class PaneError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

struct PaneRow {
  std::string group;  // the title of the row's group ("" for an untitled one)
  std::string label;
  std::string key;  // the setting the row writes; "" for none
  // "switch", "choice", "slider", "number", "text", "link", "list", or
  // "item" for a choice on a choice's page
  std::string cell;
  // as shown: "on"/"off" (for a list or an item: ticked or not), the
  // choice's name, the number or text; "" for a link
  std::string value;
  StrongId icon;                     // the row's image (a list's colour), for a picture of the page
  std::vector<std::string> choices;  // a choice's names, in the order its page offers them; none when it opens none
};

struct PaneGroup {
  std::string title, footer;
};

struct PanePage {
  std::string title;
  std::vector<PaneGroup> groups;
  std::vector<PaneRow> rows;
};

// Where the Settings app itself lies; its folder holds none of a pane's
// files.
inline constexpr const char* kSettingsAppFolder = "/Applications/Preferences.app";

class SettingsApp {
 public:
  // Raises PaneError when the bundle cannot be loaded or has no principal
  // class that answers specifiers.
  // `devicePath` is where the device has the bundle (the folder itself when
  // empty); a Mach-O executable runs its `arch` slice under emulation.
  explicit SettingsApp(const std::string& bundleFolder, const std::string& devicePath = "",
                       const std::string& arch = "arm64");
  ~SettingsApp();
  SettingsApp(const SettingsApp&) = delete;
  SettingsApp& operator=(const SettingsApp&) = delete;

  // $QST_PANE when set, else the bundle built with this tree.
  static std::string defaultBundleFolder();

  // What runs: the bundle's device path, its executable's name, and "host"
  // for a Linux build or the slice run under emulation.
  const std::string& bundlePath() const { return bundlePath_; }
  const std::string& executable() const { return executable_; }
  const std::string& arch() const { return arch_; }

  PanePage mainPage();
  // The page the "Reminder lists" row opens, made afresh as each visit does.
  PanePage listsPage();
  // The page the choice for `key` opens, its items ticked as it shows them;
  // raises PaneError when there is no such choice or it opens no page.
  PanePage choicePage(const std::string& key);

  // Raises PaneError when the pane has no control for `key` (a setting's
  // key, or the id of a control without one) or the control cannot produce
  // `value` (a choice: its page does not open or offers no such name); does
  // nothing else.
  void check(const std::string& key, const std::string& value);
  // Works the control as the user would; raises as check does.
  void set(const std::string& key, const std::string& value);
  // Taps the list called `name` on the lists page (a missing one by its
  // shown name); raises PaneError when there is none.
  void tapList(const std::string& name);
  void checkList(const std::string& name);  // raises as tapList, taps nothing

 private:
  id listRow(id page, const std::string& name);
  id controlFor(const std::string& key);
  id valueFor(id specifier, const std::string& text);
  id openLists();

  std::string folder_, bundlePath_, executable_, arch_;
  // The app's own process: its main bundle and the images it has loaded.
  ObjcProcess process_;
  StrongId principal_;
};

}  // namespace sb
