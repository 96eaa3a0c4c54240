// What the fuzz harnesses of the CPCL and EPL layers share: a job's records fed to
// a language layer, as the language monitor feeds them or built field by field.
//
// Input: its first byte chooses the form of the rest. Even: the job's bytes
// themselves, fed through the record reader in pieces whose sizes a hash of the
// input chooses (any job file is a seed). Odd: a recipe of records built field by
// field (label_job.cpp), which reaches the layer's text, bar-code, line and
// graphics paths far more often than bytes that must first hit a record header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dcl/object/dcl_base.h"

namespace trv::fuzz {

// Now and then the printer stops taking bytes part way through the job: the number
// of the write that fails first, or -1.
int FailingWriteOf(std::uint32_t hash);
// Feeds the input to the layer.
void FeedLabelJob(dcl::CDCLBase& layer, const std::uint8_t* data, std::size_t size,
                  std::uint32_t hash);
// What the printer may get for an input of `size` bytes: a label's framing per
// record, and per input byte a bounded amount of commands (a page's graphics are
// cut into a bounded number of images). A layer that loops writing goes past it.
std::size_t SentBound(std::size_t size);

}  // namespace trv::fuzz
