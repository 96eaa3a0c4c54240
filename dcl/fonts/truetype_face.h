// TrueType faces read with FreeType from a file reached by its Windows path (the
// file is read through the platform's file calls, so it may live anywhere the
// platform maps). FreeType is set up and released around each use.
#pragma once

#include <functional>
#include <string>

#include "dcl/fonts/ufm.h"

namespace trv::dcl::fonts {

// Calls `visit(index, family, style)` for each face of the file (one for a .ttf, each
// face of a collection) until it returns true; ERROR_SUCCESS when a visit accepted a
// face, ERROR_FILE_NOT_FOUND when none did, or the error of opening the file.
DWORD VisitFaces(const std::string& windowsPath,
                 const std::function<bool(long index, const std::string& family,
                                          const std::string& style)>& visit);

// The metrics of face `index`: ERROR_SUCCESS; ERROR_GEN_FAILURE when FreeType cannot
// open it; ERROR_BAD_FORMAT when the face lacks the OS/2, hhea or post table or its
// names. A glyph whose advance cannot be loaded gets width 0 and sets `glyphFailed`.
DWORD ReadFaceMetrics(const std::string& windowsPath, long index, FaceMetrics& face,
                      bool& glyphFailed);

}  // namespace trv::dcl::fonts
