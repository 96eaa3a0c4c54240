// The trace channel: every trace goes to the debugger output, to the log file
// "C:\ZIREROZARI.LOG" when that file existed at the first trace of the process, and
// as the registered message "TVTRACE" to every top-level window, where a trace viewer
// reads the text from the global atom in lParam (and deletes the atom).
#pragma once

namespace trv::dcl {

// Formats like printf into a 1024-byte buffer (longer texts are cut) and sends the
// text to the three outputs. Failures of any output are ignored.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace trv::dcl
