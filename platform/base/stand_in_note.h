// What the simulated frameworks have to say that a device's frameworks would
// not log: a reminder file EventKit skipped, an image or property list that
// could not be read. A device answers those cases silently (nil, an empty
// fetch), so these notes stay out of the system log that NSLog keeps and the
// library and tests read; they go to stderr as the simulator's own lines
// ("springboard-sim: note: ...") unless told not to, and are kept for tests.
#pragma once

#include <string>
#include <vector>

void StandInNote(const std::string& text);
std::vector<std::string> StandInNotes();
void StandInNotesClearForTesting();
void StandInNotesSetEcho(bool echo);  // on by default
