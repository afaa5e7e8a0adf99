// Host paths compared as the file system resolves them.
#pragma once

#include <string>

// Whether `path` is `folder` or lies somewhere below it, once both are made
// absolute and their symbolic links and ".." resolved as far as they exist:
// "root/../root/a" and a link into the folder both lie in it, "root-b" does
// not lie in "root".
bool hostPathLiesIn(const std::string& path, const std::string& folder);
