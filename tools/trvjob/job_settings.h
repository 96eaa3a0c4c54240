// Option values set by name or identifier in a job's option blobs, as trvconv and
// trvjob take them on their command lines ("--set NAME=VALUE").
#pragma once

#include <string>
#include <vector>

namespace trv::samples {

struct Setting {
  unsigned id = 0;
  bool device = false;  // held in the device blob (DevProps), else the document blob
  long value = 0;
};

// "NAME=VALUE" with a known name or an identifier such as 0x3012; false otherwise.
bool ParseSetting(const std::string& text, Setting& out);

// Sets the option's value in the job's blob of its scope (adding a plain value when
// the blob has none); false when the job carries no such blob.
bool ApplySetting(std::vector<unsigned char>& job, const Setting& s);

}  // namespace trv::samples
