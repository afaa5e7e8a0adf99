#include "base/stand_in_note.h"

#include <cstdio>
#include <mutex>

namespace {

// Bounded: a long-running simulator that meets many bad files keeps the
// latest notes only.
constexpr std::size_t kMaxNotesKept = 1000;

struct Notes {
  std::mutex lock;
  std::vector<std::string> lines;
  bool echo = true;
};

Notes& notes() {
  static Notes* n = new Notes;  // used until the very end of the process
  return *n;
}

}  // namespace

void StandInNote(const std::string& text) {
  Notes& n = notes();
  std::lock_guard guard(n.lock);
  if (n.lines.size() == kMaxNotesKept) n.lines.erase(n.lines.begin());
  n.lines.push_back(text);
  if (n.echo) std::fprintf(stderr, "springboard-sim: note: %s\n", text.c_str());
}

std::vector<std::string> StandInNotes() {
  std::lock_guard guard(notes().lock);
  return notes().lines;
}

void StandInNotesClearForTesting() {
  std::lock_guard guard(notes().lock);
  notes().lines.clear();
}

void StandInNotesSetEcho(bool echo) {
  std::lock_guard guard(notes().lock);
  notes().echo = echo;
}
