// Files as the settings pane writes them: whole, through a temporary file
// renamed into place, so that a reader at any moment finds the old file or
// the new one. The backend supplies the calls of the C library and where a
// device path may be written. Only the pane writes: the library reads its
// files and never includes this.
#pragma once

#include "backend/file_calls.h"
