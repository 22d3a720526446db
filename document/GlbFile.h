// The drawing as a glTF 2.0 binary file (GLB): meshes for other programs, and the program's
// own data in "extras", which is what reading uses. The layout is described in docs/FILE-FORMAT.md.
#pragma once
#include "document/Document.h"

#include <cstddef>
#include <ostream>
#include <string>

//! Version of the program data this program writes; files of a higher version are refused.
const int DOCUMENT_FORMAT_VERSION = 2;

//! Writes the drawing as GLB to out. Returns false and says why in error.
bool writeGlb(const Document& drawing, std::ostream& out, std::string& error);

//! Writes the drawing to path the safe way: a temporary file in the same directory,
//! flushed to the disk, then renamed over path. The old file stays whole on any failure.
bool saveGlbFile(const Document& drawing, const std::string& path, std::string& error);

//! Reads a GLB written by this program. On failure returns false, leaves drawing untouched
//! and says in error what is wrong. Never opens a file and never throws.
bool readGlb(const unsigned char* data, size_t size, Document& drawing, std::string& error);

//! Reads the regular file at path, checking its size and header before reading all of it.
bool loadGlbFile(const std::string& path, Document& drawing, std::string& error);

//! How often reading has asked for another file since the program started. The reader
//! refuses every such request, and its checks before parsing keep it from asking at all.
size_t glbFileRequests();
