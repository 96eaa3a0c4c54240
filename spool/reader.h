// The reading side of the record stream: the language monitor's WritePort gets
// the job's bytes in pieces of any size, reassembles the records across calls,
// hands each complete record to the job's sink and passes everything that is not
// a record stream to the port unchanged, so a job written in the printer's own
// language still prints.
#pragma once

#include <span>

#include "platform/windef.h"
#include "spool/allocation.h"
#include "spool/port_output.h"
#include "spool/record_sink.h"

namespace trv::spool {

// Bits of a port's flags word. The reader owns the discard, scope and pending
// bits; the monitor owns the rest.
inline constexpr DWORD PORT_DOCUMENT_STARTED = 0x0001;
// Set when a write to the printer was cancelled: every later byte of the job is
// swallowed and the job is deleted.
inline constexpr DWORD PORT_DISCARD = 0x0002;
inline constexpr DWORD PORT_SCOPE_DOCUMENT = 0x0100;
inline constexpr DWORD PORT_SCOPE_PAGE = 0x0200;
inline constexpr DWORD PORT_SCOPE_SECTION = 0x0400;
inline constexpr DWORD PORT_SCOPE_IMAGE = 0x0800;
inline constexpr DWORD PORT_SCOPE_TRANSFER = 0x1000;
inline constexpr DWORD PORT_SCOPES = 0x1F00;
// A DCLD_BITMAP_DATA record that the sink failed is kept for a retry.
inline constexpr DWORD PORT_BITMAP_PENDING = 0x2000;

enum class ReaderState : WORD { Idle = 0, Header = 1, Payload = 2 };

// The reader's part of a port; it lives as long as the port and is reset at the
// end of each job.
struct PortReader {
  DWORD flags = 0;
  ReaderState state = ReaderState::Idle;
  // The record being collected: its 48 header bytes while in Header, then the
  // whole record. Empty when no record is being collected.
  RecordBuffer record;
  // Bytes collected in the current state: header bytes in Header, payload bytes
  // in Payload.
  DWORD collected = 0;
  // From the last DCLD_TRANSFER_BEGIN, for the abort that closes it.
  WORD transferValue = 0;
  // A failed DCLD_BITMAP_DATA record, retried before the next record.
  RecordBuffer pending;
  // Consulted for every record buffer; tests use it to run out of memory.
  AllocationGate allocationGate;
};

// The body of WritePort. Consumes `bytes`, hands each complete record to `sink`
// (a record that lies wholly in `bytes` is handed on in place, without a copy),
// passes foreign data to `output`, and adds to `written` the bytes taken over.
// Fails with the sink's or output's last error, ERROR_NOT_ENOUGH_MEMORY when a
// record buffer cannot be had, ERROR_BAD_CONFIGURATION when a header is being
// collected without a buffer, or ERROR_INVALID_DATA when a header asks for a
// payload beyond DCLD_MAX_PAYLOAD (nothing is allocated for it, and the port
// enters discard mode: the rest of the job is swallowed). A failure with last error 0 from the sink
// or the output is the user's cancel: the port enters discard mode and the call succeeds.
BOOL FeedPort(PortReader& port, RecordSink& sink, PortOutput& output, std::span<BYTE> bytes,
              DWORD& written);

// Hands one complete record to the sink: retries a pending bitmap record first
// (and fails without handing on this one if that fails again), ignores a record
// whose header size is not 48, updates the scope flags on success, and keeps a
// failed DCLD_BITMAP_DATA as the pending record when it came from port.record
// (`buffered`).
BOOL DispatchRecord(PortReader& port, RecordSink& sink, std::span<BYTE> record, bool buffered);

// At the end of a job: sends the bytes of a partly collected record to the port
// unchanged. Fails with ERROR_BAD_CONFIGURATION and enters discard mode when the
// record buffer is missing; a failed write enters discard mode too and succeeds
// when its last error is 0.
BOOL FlushPartialRecord(PortReader& port, PortOutput& output);

// At the end of an aborted job: hands the sink an abort record for every scope
// still open, innermost first: DCLD_IMAGE_ABORT, DCLD_SECTION_ABORT,
// DCLD_TRANSFER_ABORT (with the remembered transfer value), DCLD_PAGE_ABORT,
// DCLD_DOC_ABORT. A pending bitmap record is dropped first. Every abort is tried;
// fails when any of them failed, with the first failure's last error.
BOOL CloseOpenScopes(PortReader& port, RecordSink& sink);

}  // namespace trv::spool
