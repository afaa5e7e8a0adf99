// The two files the pane writes and the library reads at every lock: the
// settings (a dictionary of the keys the library reads) and the calendar
// selection (an array of the identifiers of the lists to show). Each change
// rewrites the whole file at once, read afresh just before, so a change made
// elsewhere in between is kept. The system's preferences daemon is never
// involved: it may write a domain to disk long after the change, and the
// library reads the disk.
#pragma once

#include "host/preferences.h"

namespace qst::prefs {

// The settings as the file holds them now; nil when there is none.
id storedSetting(id key);
// Writes the file with `key` set to `value`, or removed for nil. False when
// the file could not be written.
bool storeSetting(id key, id value);

// The identifiers of the selected lists, in the file's order; an empty
// array when there is no file.
id selectedListIdentifiers();
// Adds the identifier when absent, else removes every copy of it.
bool toggleSelectedList(id identifier);
bool removeSelectedList(id identifier);

}  // namespace qst::prefs
