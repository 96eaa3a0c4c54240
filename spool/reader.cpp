#include "spool/reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "platform/kernel.h"
#include "platform/last_error.h"
#include "spool/record.h"

namespace trv::spool {

namespace {

// ---- scopes --------------------------------------------------------------------------

struct ScopeRecords {
  DWORD scope;
  DWORD begin;
  DWORD end;
  DWORD abort;
};

// Innermost first: the order in which an aborted job's scopes are closed.
constexpr std::array kScopes{
    ScopeRecords{PORT_SCOPE_IMAGE, DCLD_IMAGE_BEGIN, DCLD_IMAGE_END, DCLD_IMAGE_ABORT},
    ScopeRecords{PORT_SCOPE_SECTION, DCLD_SECTION_BEGIN, DCLD_SECTION_END, DCLD_SECTION_ABORT},
    ScopeRecords{PORT_SCOPE_TRANSFER, DCLD_TRANSFER_BEGIN, DCLD_TRANSFER_END, DCLD_TRANSFER_ABORT},
    ScopeRecords{PORT_SCOPE_PAGE, DCLD_PAGE_BEGIN, DCLD_PAGE_END, DCLD_PAGE_ABORT},
    ScopeRecords{PORT_SCOPE_DOCUMENT, DCLD_DOC_BEGIN, DCLD_DOC_END, DCLD_DOC_ABORT},
};

// Only a transfer opened with a payload of this size or more remembers its value
// for the abort that may have to close it.
constexpr DWORD kTransferValueMinPayload = 50;

void UpdateScopes(PortReader& port, const BYTE* record) {
  const DWORD type = RecordType(record);
  for (const ScopeRecords& s : kScopes) {
    if (type == s.begin) {
      port.flags |= s.scope;
      if (s.scope == PORT_SCOPE_TRANSFER) {
        port.transferValue = RecordPayloadLength(record) >= kTransferValueMinPayload
                                 ? ReadU16(RecordPayload(record) + 2)
                                 : 0;
      }
    } else if (type == s.end || type == s.abort) {
      port.flags &= ~s.scope;
    }
  }
}

// ---- dispatch ------------------------------------------------------------------------

enum class Outcome {
  Done,
  // The sink failed the record.
  Failed,
  // A pending bitmap record failed again, so the record was not handed on.
  PendingFailed,
};

void DropPending(PortReader& port) {
  port.pending.Free();
  port.flags &= ~PORT_BITMAP_PENDING;
}

Outcome Dispatch(PortReader& port, RecordSink& sink, std::span<BYTE> record, bool buffered) {
  if (!port.pending.empty()) {
    if (!sink.ProcessRecord(port.pending.bytes())) return Outcome::PendingFailed;
    DropPending(port);
  }
  if (RecordHeaderSize(record.data()) != DCLD_HEADER_SIZE) return Outcome::Done;
  if (sink.ProcessRecord(record)) {
    UpdateScopes(port, record.data());
    return Outcome::Done;
  }
  // The bitmap is the one record a printer that is briefly unable to take it
  // should not lose: its bytes were already taken over, so keep it for a retry.
  if (buffered && RecordType(record.data()) == DCLD_BITMAP_DATA) {
    port.pending = std::move(port.record);
    port.flags |= PORT_BITMAP_PENDING;
  }
  return Outcome::Failed;
}

// ---- the collected record --------------------------------------------------------------

void DropRecord(PortReader& port) {
  port.record.Free();
  port.state = ReaderState::Idle;
  port.collected = 0;
}

// The payload length of the record being collected, once its header is complete.
DWORD CollectedPayloadLength(const PortReader& port) {
  return RecordPayloadLength(port.record.data());
}

// Whether the record buffer can hold what the current state says it holds. It
// always can unless the reader's state was damaged; checked so that such damage
// fails the call instead of writing past the buffer.
bool RecordBufferValid(const PortReader& port) {
  switch (port.state) {
    case ReaderState::Idle: return true;
    case ReaderState::Header:
      return port.record.size() >= DCLD_HEADER_SIZE && port.collected <= DCLD_HEADER_SIZE;
    case ReaderState::Payload:
      return port.record.size() >= DCLD_HEADER_SIZE &&
             port.record.size() - DCLD_HEADER_SIZE >= CollectedPayloadLength(port) &&
             port.collected <= CollectedPayloadLength(port);
  }
  return false;
}

// A complete record kept back because a pending bitmap failed before it.
bool HoldsCompleteRecord(const PortReader& port) {
  return port.state == ReaderState::Payload && port.collected == CollectedPayloadLength(port);
}

// Writes the bytes of a partly collected record to the port and returns to Idle.
BOOL WriteCollected(PortReader& port, PortOutput& output) {
  const std::size_t count = port.state == ReaderState::Header
                                ? port.collected
                                : DCLD_HEADER_SIZE + std::size_t{port.collected};
  const BOOL ok = count == 0 || output.WriteRaw(port.record.bytes().first(count));
  KeepLastError keep;
  DropRecord(port);
  return ok;
}

// ---- one WritePort call ------------------------------------------------------------------

class Feed {
 public:
  Feed(PortReader& port, RecordSink& sink, PortOutput& output, std::span<BYTE> bytes,
       DWORD& written)
      : port_(port), sink_(sink), output_(output), bytes_(bytes), written_(written) {}

  BOOL Run() {
    while (pos_ < bytes_.size()) {
      std::optional<BOOL> result;
      switch (port_.state) {
        case ReaderState::Idle: result = Idle(); break;
        case ReaderState::Header: result = Header(); break;
        case ReaderState::Payload: result = Payload(); break;
      }
      if (result) return *result;
    }
    return TRUE;
  }

 private:
  std::span<BYTE> Rest() const { return bytes_.subspan(pos_); }
  void Take(std::size_t count) {
    pos_ += count;
    written_ += static_cast<DWORD>(count);
  }

  std::optional<BOOL> Idle() {
    const std::span<BYTE> rest = Rest();
    if (rest.size() >= 4 && RecordHeaderSize(rest.data()) != DCLD_HEADER_SIZE) return PassThrough();
    if (rest.size() >= DCLD_HEADER_SIZE) {
      if (RecordMagic(rest.data()) != DCLD_MAGIC) return PassThrough();
      const DWORD length = RecordPayloadLength(rest.data());
      if (length > DCLD_MAX_PAYLOAD) return Oversized();
      if (length <= rest.size() - DCLD_HEADER_SIZE)
        return InPlace(rest.first(DCLD_HEADER_SIZE + std::size_t{length}));
    }
    if (!port_.record.Allocate(DCLD_HEADER_SIZE, port_.allocationGate)) {
      DropRecord(port_);
      return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    port_.collected = 0;
    port_.state = ReaderState::Header;
    return std::nullopt;
  }

  // A record wholly inside the caller's buffer goes to the sink from there. Its
  // bytes count only once it succeeded, so that a failed one is offered again.
  std::optional<BOOL> InPlace(std::span<BYTE> record) {
    const Outcome outcome = Dispatch(port_, sink_, record, false);
    if (outcome != Outcome::Done) return DispatchFailed(outcome);
    Take(record.size());
    return std::nullopt;
  }

  std::optional<BOOL> Header() {
    if (!RecordBufferValid(port_)) {
      DropRecord(port_);
      return Fail(ERROR_BAD_CONFIGURATION);
    }
    // The header size is judged as soon as its 4 bytes are there, the magic once
    // the whole header is.
    if (port_.collected < 4) {
      Collect(4);
      if (port_.collected < 4) return std::nullopt;
      if (RecordHeaderSize(port_.record.data()) != DCLD_HEADER_SIZE) return PassThrough();
    }
    Collect(DCLD_HEADER_SIZE);
    if (port_.collected < DCLD_HEADER_SIZE) return std::nullopt;
    if (RecordMagic(port_.record.data()) != DCLD_MAGIC) return PassThrough();
    const DWORD length = CollectedPayloadLength(port_);
    if (length > DCLD_MAX_PAYLOAD) return Oversized();
    if (length != 0 &&
        !port_.record.Grow(DCLD_HEADER_SIZE + std::size_t{length}, port_.allocationGate)) {
      DropRecord(port_);
      return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    port_.collected = 0;
    port_.state = ReaderState::Payload;
    // A record without payload is complete with its header: hand it on now, not
    // with the next call (which may never come) or as raw bytes at the job's end.
    if (length == 0) return DispatchCollected();
    return std::nullopt;
  }

  // Copies header bytes until `target` are collected or the input is used up.
  void Collect(DWORD target) {
    const std::size_t count = std::min<std::size_t>(target - port_.collected, bytes_.size() - pos_);
    std::memcpy(port_.record.data() + port_.collected, bytes_.data() + pos_, count);
    port_.collected += static_cast<DWORD>(count);
    Take(count);
  }

  std::optional<BOOL> Payload() {
    if (!RecordBufferValid(port_)) {
      DropRecord(port_);
      return Fail(ERROR_BAD_CONFIGURATION);
    }
    const DWORD length = CollectedPayloadLength(port_);
    const std::size_t count = std::min<std::size_t>(length - port_.collected, bytes_.size() - pos_);
    std::memcpy(port_.record.data() + DCLD_HEADER_SIZE + port_.collected, bytes_.data() + pos_,
                count);
    port_.collected += static_cast<DWORD>(count);
    Take(count);
    if (port_.collected == length) return DispatchCollected();
    return std::nullopt;
  }

  std::optional<BOOL> DispatchCollected() {
    const std::size_t size = DCLD_HEADER_SIZE + std::size_t{CollectedPayloadLength(port_)};
    const Outcome outcome = Dispatch(port_, sink_, port_.record.bytes().first(size), true);
    if (outcome != Outcome::Done) return DispatchFailed(outcome);
    DropRecord(port_);
    return std::nullopt;
  }

  BOOL DispatchFailed(Outcome outcome) {
    if (GetLastError() == ERROR_SUCCESS) {
      // The user cancelled: swallow the rest of the job.
      DropRecord(port_);
      return Discard();
    }
    // A collected record that never reached the sink because the pending bitmap
    // failed first stays collected and goes first in the next call: its bytes
    // were already taken over, so dropping it would lose it.
    if (outcome == Outcome::PendingFailed && port_.state == ReaderState::Payload) return FALSE;
    KeepLastError keep;
    DropRecord(port_);
    return FALSE;
  }

  // A header asking for more than any record can hold: its payload cannot be
  // collected, and the bytes behind it are no longer known to be records or to be
  // meant for the printer. The job fails and the rest of it is swallowed.
  BOOL Oversized() {
    DropRecord(port_);
    port_.flags |= PORT_DISCARD;
    return Fail(ERROR_INVALID_DATA);
  }

  // Enters discard mode and takes over the rest of the call.
  BOOL Discard() {
    port_.flags |= PORT_DISCARD;
    Take(bytes_.size() - pos_);
    return TRUE;
  }

  // Foreign data: the collected bytes of a partial record first, then the rest of
  // the call, unchanged. The next call looks at its first bytes anew.
  BOOL PassThrough() {
    if (port_.state != ReaderState::Idle && !WriteCollected(port_, output_)) {
      port_.flags |= PORT_DISCARD;
      return GetLastError() == ERROR_SUCCESS ? Discard() : FALSE;
    }
    const std::span<BYTE> rest = Rest();
    if (rest.empty()) return TRUE;
    if (!output_.WriteRaw(rest)) {
      if (GetLastError() != ERROR_SUCCESS) return FALSE;
      return Discard();
    }
    Take(rest.size());
    return TRUE;
  }

  PortReader& port_;
  RecordSink& sink_;
  PortOutput& output_;
  std::span<BYTE> bytes_;
  DWORD& written_;
  std::size_t pos_ = 0;
};

// An abort record as the reader makes it up; only the transfer abort carries a
// payload, the transfer value.
class AbortRecord {
 public:
  AbortRecord(DWORD type, WORD transferValue) {
    const DWORD length = type == DCLD_TRANSFER_ABORT ? 2 : 0;
    WriteU32(bytes_.data() + DCLD_OFFSET_HEADER_SIZE, DCLD_HEADER_SIZE);
    WriteU32(bytes_.data() + DCLD_OFFSET_TYPE, type);
    WriteU32(bytes_.data() + DCLD_OFFSET_LENGTH, length);
    WriteU32(bytes_.data() + DCLD_OFFSET_MAGIC, DCLD_MAGIC);
    if (length != 0) WriteU16(bytes_.data() + DCLD_HEADER_SIZE, transferValue);
    size_ = DCLD_HEADER_SIZE + length;
  }
  std::span<BYTE> bytes() { return std::span<BYTE>(bytes_).first(size_); }

 private:
  std::array<BYTE, DCLD_HEADER_SIZE + 2> bytes_{};
  std::size_t size_;
};

}  // namespace

BOOL FeedPort(PortReader& port, RecordSink& sink, PortOutput& output, std::span<BYTE> bytes,
              DWORD& written) {
  return Feed(port, sink, output, bytes, written).Run();
}

BOOL DispatchRecord(PortReader& port, RecordSink& sink, std::span<BYTE> record, bool buffered) {
  if (record.size() < DCLD_HEADER_SIZE) return Fail(ERROR_INVALID_PARAMETER);
  return Dispatch(port, sink, record, buffered) == Outcome::Done;
}

BOOL FlushPartialRecord(PortReader& port, PortOutput& output) {
  if (port.state == ReaderState::Idle) return TRUE;
  if (!RecordBufferValid(port)) {
    DropRecord(port);
    port.flags |= PORT_DISCARD;
    return Fail(ERROR_BAD_CONFIGURATION);
  }
  // A complete record held back for the sink is not foreign data: sending it raw
  // would print its bytes. The job is ending after a failure; let it go.
  if (HoldsCompleteRecord(port)) {
    DropRecord(port);
    return TRUE;
  }
  if (WriteCollected(port, output)) return TRUE;
  port.flags |= PORT_DISCARD;
  return GetLastError() == ERROR_SUCCESS;
}

BOOL CloseOpenScopes(PortReader& port, RecordSink& sink) {
  // The job is being abandoned: retrying its failed bitmap now would print on a
  // printer the user gave up on, and a second failure would keep the aborts
  // from reaching the sink.
  DropPending(port);
  BOOL all = TRUE;
  DWORD firstError = ERROR_SUCCESS;
  for (const ScopeRecords& s : kScopes) {
    if ((port.flags & s.scope) == 0) continue;
    AbortRecord record(s.abort, port.transferValue);
    if (!DispatchRecord(port, sink, record.bytes(), false) && all) {
      all = FALSE;
      firstError = GetLastError();
    }
  }
  if (!all) SetLastError(firstError);
  return all;
}

}  // namespace trv::spool
