// The settings record: process-wide values named after the keys of the
// settings file, rewritten by every refresh. Plain C globals, as the values
// of a tweak are; only the main thread reads or writes them.
#pragma once

#include "host/objc.h"

extern "C" {
extern BOOL isEnabled;
extern BOOL showPriority;
extern BOOL showItemsWithoutDueDate;
extern BOOL showItemsWithDueDate;
extern BOOL showItemsWithPastDueDate;
extern BOOL compatibilityMode;
extern BOOL hideOnNowPlayingScreen;
extern StrongId customLaunchAppBundleID;
extern BOOL showSeparatorLines;
extern BOOL rightAlignedDate;
extern BOOL displayLocation;
extern BOOL sameHeightRows;
extern NSInteger wallpaperBlurMode;
extern NSInteger reminderSorting;
extern NSInteger swipeAction;
extern StrongId textColor;
extern BOOL titleColorSameAsListColor;
extern NSInteger textSize;
extern StrongId subtitleTextColor;
extern NSInteger subtitleTextSize;
extern StrongId dateTextColor;
extern NSInteger dateTextSize;
extern NSInteger daysToDisplay;
extern NSInteger maxRemindersToDisplay;
extern StrongId iconFile;
extern StrongId icon;
}

namespace qst {

// Reads the settings file and rewrites the record, key by key; an absent key
// (no file, not a dictionary, no such key) takes its default.
void loadSettings();

}  // namespace qst
