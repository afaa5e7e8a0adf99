// The bulletin identifier of the library's own items: "QuillstoneBriarwhistle
// <index>|<list colour>", the reminder's place in the query's result and the
// colour of its list in Core Image's text form ("1 0.5 0 1"). Composition
// writes it, recognition tells the library's rows by its prefix, and the
// title and the dot read the list colour back from it.
#pragma once

#include "host/objc.h"

namespace qst {

// "QuillstoneBriarwhistle 7|1 0.5 0 1"; without a colour text (nil) the
// identifier ends with the "|".
id ownBulletinID(NSUInteger reminderIndex, id listColorText);

// Begins "QuillstoneBriarwhistle"; an absent identifier is not own.
bool isOwnBulletinID(id bulletinID);

// What reading the list colour back found.
enum class ListColorText {
  Found,        // the text after the first "|", up to a second one if any
  TooShort,     // the identifier is absent or shorter than the caller's minimum
  NoSeparator,  // there is no "|"
};

// Reads the list colour text of an identifier of at least `minimumLength`
// characters into *colorText (left alone unless Found). Each reader of the
// colour has its own minimum.
ListColorText readListColorText(id bulletinID, NSUInteger minimumLength, id* colorText);

}  // namespace qst
