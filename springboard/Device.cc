#include "Device.h"

#include <cstdlib>
#include <filesystem>

#include "classes/SBLockScreenNotificationListController.h"
#include "classes/SBLockScreenNotificationListView.h"
#include "classes/SBLockScreenPluginOverlayContext.h"
#include "classes/classes.h"
#include "install/deb_package.h"
#include "install/tree_pane.h"
#include "module_loader.h"
#include "foundation/NSArray.h"
#include "foundation/NSLog.h"
#include "foundation/NSRunLoop.h"
#include "foundation/NSString.h"
#include "foundation/clock.h"
#include "foundation/device.h"
#include "base/stand_in_note.h"
#include "host_environment.h"
#include "runtime/autorelease.h"
#include "runtime/message.h"
#include "runtime/nsobject.h"
#include "system_notifications.h"
#include "trace/trace.h"
#include "uikit/UIApplication.h"

namespace sb {
namespace {

// What the settings writer and the Settings app refuse, as the Device's own
// error: their words are what the user reads.
template <class Step>
void asDeviceError(Step step) {
  try {
    step();
  } catch (const SettingError& e) {
    throw DeviceError(e.what());
  } catch (const PaneError& e) {
    throw DeviceError(e.what());
  } catch (const PrivateFolderError& e) {
    throw DeviceError(e.what());
  }
}

id indexPathForRow(NSInteger row) {
  return msgSend<id, NSInteger, NSInteger>(objc_getClass("NSIndexPath"), "indexPathForRow:inSection:", row,
                                           NSInteger{0});
}

}  // namespace

std::string DeviceOptions::defaultModulePath() {
  if (const char* path = std::getenv("QST_MODULE"); path && *path) return std::string(path) == "none" ? "" : path;
#ifdef QST_MODULE_PATH
  return QST_MODULE_PATH;
#else
  return "";
#endif
}

std::string DeviceOptions::defaultArch() {
  const char* arch = std::getenv("QST_ARCH");
  return arch && *arch ? arch : "arm64";
}

Device::Device(const DeviceOptions& options) : options_(options) {
  standin::HostEnvironment environment;
  environment.deviceRoot = options.root;
  environment.systemVersion = options.systemVersion;
  environment.timeZone = options.timeZone;
  environment.calendar = options.calendar;
  environment.fixedClock = options.now;
  environment.processName = "SpringBoard";
  try {
    standin::applyHostEnvironment(environment);
  } catch (const standin::HostEnvironmentError& e) {
    throw DeviceError(e.what());
  }
  if (options.settings) asDeviceError([&] { rawSettings_.replaceAll(*options.settings); });
  std::vector<std::string> modules;
  if (!options.modulePath.empty()) modules.push_back(options.modulePath);
  if (!options.install.empty()) {
    // Refused whole before anything is written; then written only into the
    // private folder.
    try {
      DebPackage package = readDebPackageFile(options.install);
      asDeviceError([&] {
        privateFolder_.ensure();
        unpackPackage(package, privateFolder_.path());
      });
      installed_.emplace();
      installed_->package = package.name;
    } catch (const PackageError& e) {
      throw DeviceError("--install " + std::string(e.what()));
    }
  }
  registerSpringBoardClasses(options.systemVersion, options.springBoardProcess);
  if (installed_) {
    // SpringBoard's classes are there before the loader asks for `Classes`.
    installed_->loadIns = substrateLoadIns(springBoardProcess(), options.root, privateFolder_.path());
    for (const LoadIn& loadIn : installed_->loadIns)
      if (loadIn.everyProcess)
        StandInNote(loadIn.devicePath + " has no filter that limits it: a phone loads it into every process; " +
                    "here it is loaded into SpringBoard");
    installed_->panes = preferenceLoaderEntries(options.root, privateFolder_.path());
    modules.clear();
    for (const LoadIn& loadIn : installed_->loadIns)
      if (loadIn.selected) modules.push_back(loadIn.hostPath);
  }
  if (!installed_ && !modules.empty()) showTreePaneBundle(SettingsApp::defaultBundleFolder());
  // As the loader maps a load-in library: its initialiser runs now.
  for (const std::string& module : modules) {
    trace::beginModuleLoad(options.traceCalls);
    try {
      moduleArch_ = loader::mapModule(module, options.arch, loader::ModuleKind::Dylib);
    } catch (const loader::ModuleLoadError& e) {
      trace::endModuleLoad();
      throw DeviceError("cannot load the library " + module + ": " + e.what());
    } catch (...) {
      trace::endModuleLoad();
      throw;
    }
    trace::endModuleLoad();
  }
}

Device::~Device() {
  AutoreleasePool pool;
  settingsApp_.reset();
  overlayContext_ = nullptr;
  listController_ = nullptr;
  lockScreenView_ = nullptr;
  hideTreePaneBundle();
}

void Device::requireLocked(const char* what) const {
  if (!listController_) throw DeviceError(std::string(what) + ": the device is not locked");
}

id Device::listView() const { return listController_ ? asListController(listController_)->_notificationView : nil; }

id Device::tableView() const {
  id view = listView();
  return view ? static_cast<SBLockScreenNotificationListViewObj*>(view)->tableView : nil;
}

void Device::lock() {
  AutoreleasePool pool;
  id view =
      msgSend<id, CGRect>(msgSend<id>(objc_getClass("SBLockScreenView"), "alloc"), "initWithFrame:", kMainScreenBounds);
  lockScreenView_.adopt(view);
  overlayContext_ = nullptr;
  overlayPlugin_.clear();
  listController_.adopt(newNotificationListController(view));
  arrived_.store(standin::mutableArrayWith());
  deliverSystemNotifications();
  // SpringBoard shows the list's view; UIKit loads it at this first ask.
  msgSend<id>(listController_.get(), "view");
}

void Device::relock() {
  if (!listController_) return lock();
  AutoreleasePool pool;
  id controller = listController_.get();
  unloadNotificationListView(controller);
  if (springBoardState().version.listKeepsItemsAcrossUnlock()) {
    // The unlock takes out the items that answer YES to iOS 9's question;
    // the list is not laid out while its view is gone.
    removeListItemsWhere(controller, [](id item) { return msgSend<BOOL>(item, "canBeRemovedByUnlock"); });
  } else {
    // The board's replay restores the list; it is no arrival, so the screen
    // stays as it was.
    bool lit = springBoardState().screenLit;
    msgSend<void>(asListController(controller)->_listItems, "removeAllObjects");
    deliverSystemNotifications();
    for (id bulletin : standin::arrayItems(arrived_)) handOver(bulletin);
    springBoardState().screenLit = lit;
  }
  msgSend<id>(controller, "view");
}

void Device::deliverSystemNotifications() {
  std::vector<SystemNotification> notifications;
  try {
    notifications = readNotificationFile(standin::resolveDevicePath(kSystemNotificationsPath), options_.timeZone);
  } catch (const NotificationFileError& e) {
    throw DeviceError(e.what());
  }
  for (const SystemNotification& note : notifications) handOver(makeBulletin(note, standin::clockNow()));
}

void Device::deliver(id bulletin) {
  requireLocked("a bulletin arrives");
  msgSend<void, id>(arrived_.get(), "addObject:", bulletin);
  handOver(bulletin);
}

void Device::handOver(id bulletin) {
  id controller = listController_.get();
  id observer = asListController(controller)->_observer;
  if (springBoardState().version.addsWithLightsAndSirens())
    msgSend<void, id, id, NSUInteger, BOOL, NoArgumentBlock>(
        controller, "observer:addBulletin:forFeed:playLightsAndSirens:withReply:", observer, bulletin, NSUInteger{0},
        YES, NoArgumentBlock{});
  else
    msgSend<void, id, id, NSUInteger>(controller, "observer:addBulletin:forFeed:", observer, bulletin, NSUInteger{0});
}

void Device::nowPlaying() {
  requireLocked("now playing");
  overlay(kNowPlayingPluginName);
}

void Device::overlay(const std::string& pluginName) {
  requireLocked("overlay");
  AutoreleasePool pool;
  id name = standin::stringWithUTF8(pluginName);
  id pluginController = objc_autorelease(objc_new("NSObject"));
  id context = msgSend<id, id, id, id>(msgSend<id>(objc_getClass("SBLockScreenPluginOverlayContext"), "alloc"),
                                       "initWithPluginName:pluginController:lockScreenViewController:", name,
                                       pluginController, lockScreenView_.get());
  if (overlayContext_ && overlayPlugin_ != pluginName) {
    id previous = standin::stringWithUTF8(overlayUnderlayRequester(overlayPlugin_));
    msgSend<void, id>(lockScreenView_.get(), "_removeLockContentUnderlayWithRequester:", previous);
  }
  overlayContext_.adopt(context);
  overlayPlugin_ = pluginName;
  id requester = standin::stringWithUTF8(overlayUnderlayRequester(pluginName));
  msgSend<void, id>(lockScreenView_.get(), "_addLockContentUnderlayWithRequester:", requester);
  layOutNotificationList(listController_.get());
}

void Device::nowPlayingEnd() {
  requireLocked("now playing ends");
  AutoreleasePool pool;
  if (!overlayContext_ || overlayPlugin_ != kNowPlayingPluginName) return;
  id requester = standin::stringWithUTF8(overlayUnderlayRequester(kNowPlayingPluginName));
  msgSend<void, id>(lockScreenView_.get(), "_removeLockContentUnderlayWithRequester:", requester);
  overlayContext_ = nullptr;
  overlayPlugin_.clear();
  layOutNotificationList(listController_.get());
}

void Device::wait(double seconds) {
  if (!(seconds >= 0)) throw DeviceError("wait: the time must be a number of seconds, not negative");
  AutoreleasePool pool;
  standin::runCurrentRunLoopUntil(standin::clockNow() + seconds);
}

void Device::touch(double seconds) {
  if (!(seconds >= 0)) throw DeviceError("touch: the time must be a number of seconds, not negative");
  AutoreleasePool pool;
  standin::runCurrentRunLoopUntil(standin::clockNow() + seconds, NSRunLoopMode::Tracking);
}

void Device::notify(const std::string& bundleID, const std::string& title) {
  requireLocked("notify");
  AutoreleasePool pool;
  SystemNotification note;
  note.section = bundleID;
  note.title = title;
  note.bulletinID = bundleID + "-arrival-" + std::to_string(++arrivals_);
  note.minutesBeforeNow = 0;
  deliver(makeBulletin(note, standin::clockNow()));
}

void Device::companion(const std::string& title) {
  requireLocked("companion");
  AutoreleasePool pool;
  SystemNotification note;
  note.section = "com.apple.mobilecal";
  note.title = title;
  note.bulletinID = "Corvane " + std::to_string(++arrivals_) + "|";
  note.minutesBeforeNow = 0;
  deliver(makeBulletin(note, standin::clockNow()));
}

void Device::clear() {
  requireLocked("clear");
  AutoreleasePool pool;
  // iOS 9 asks each item whether it goes when the centre is presented.
  const char* question = springBoardState().version.asksRemovalQuestions()
                             ? "canBeRemovedByNotificationCenterPresentation"
                             : "canBeClearedByNotificationCenter";
  removeListItemsWhere(listController_.get(), [&](id item) { return msgSend<BOOL>(item, question); });
}

bool Device::canEdit(NSInteger row) {
  requireLocked("edit");
  AutoreleasePool pool;
  id items = asListController(listController_.get())->_listItems;
  if (row < 0 || static_cast<NSUInteger>(row) >= msgSend<NSUInteger>(items, "count")) return false;
  return msgSend<BOOL, id, id>(listView(), "tableView:canEditRowAtIndexPath:", tableView(), indexPathForRow(row));
}

void Device::screenOff() { springBoardState().screenLit = false; }

std::optional<std::string> Device::open(NSInteger row) {
  requireLocked("open");
  AutoreleasePool pool;
  id items = asListController(listController_.get())->_listItems;
  if (row < 0 || static_cast<NSUInteger>(row) >= msgSend<NSUInteger>(items, "count")) return std::nullopt;
  id item = msgSend<id, NSUInteger>(items, "objectAtIndex:", static_cast<NSUInteger>(row));
  id action = msgSend<id>(msgSend<id>(item, "activeBulletin"), "defaultAction");
  return action ? standin::utf8Of(msgSend<id>(action, "description")) : "none";
}

void Device::setSetting(const std::string& key, const SettingValue& value) {
  asDeviceError([&] { rawSettings_.set(key, value); });
}

void Device::unsetSetting(const std::string& key) {
  asDeviceError([&] { rawSettings_.unset(key); });
}

}  // namespace sb

namespace sb {

SettingsApp& Device::settingsApp() {
  if (settingsApp_) return *settingsApp_;
  asDeviceError([&] {
    privateFolder_.ensure();
    if (!installed_) {
      settingsApp_ = std::make_unique<SettingsApp>(SettingsApp::defaultBundleFolder(), "", options_.arch);
    } else if (installed_->panes.empty()) {
      throw DeviceError(std::string("the package adds no settings pane (no entry in ") + kPreferenceLoaderFolder +
                        " naming a bundle in " + kPreferenceBundlesFolder + ")");
    } else {
      const PaneEntry& pane = installed_->panes.front();
      settingsApp_ = std::make_unique<SettingsApp>(pane.hostFolder, pane.bundlePath, options_.arch);
    }
  });
  return *settingsApp_;
}

}  // namespace sb
