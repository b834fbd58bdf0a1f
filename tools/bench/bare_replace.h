// The floor of an Apply's file write: tinyxml2 loads the file, changes one
// element's text and the file is replaced crash-safely (temporary file in
// the same folder, fsync, rename, fsync of the folder), with nothing else.
#pragma once

// False when any step failed.
bool BenchBareLoadChangeReplace(const char* path);
