// Prints label descriptions through GDI, as an application does: a printer device
// context, a document, one page per label, each item drawn with GDI's calls.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/trvprint/label_description.h"

namespace trvprint {

struct PrintRequest {
  std::string printer;
  int copies = 1;
  const DataTable* data = nullptr;  // one label per row; null: one label
  // The whole label as dots (--as-bitmap): printer texts in a TrueType face of their
  // size, bar codes in the TrueType bar-code face, lines and boxes as filled
  // rectangles, raw commands left out; what the label costs as a page bitmap.
  bool asBitmap = false;
};

// Checks everything a print needs before anything is printed: the fields of the
// texts against the data's columns and every image file. False with a message.
bool CheckPrintable(const LabelDescription& label, const DataTable* data, std::string* error);

// Prints; false with a message (and the document aborted) on the first failure.
// `progress` hears "label N of M" as each page ends.
bool PrintLabels(const LabelDescription& label, const PrintRequest& request, std::string* error,
                 const std::function<void(size_t, size_t)>& progress = nullptr);

}  // namespace trvprint
