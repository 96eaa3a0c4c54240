#include "platform/spooler/job_store.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/kernel/paths.h"
#include "platform/spooler/endpoint.h"
#include "platform/spooler/reg.h"
#include "platform/stand_in.h"

namespace trv::spooler {
namespace {

namespace fs = std::filesystem;

// Spool file names have five digits.
constexpr DWORD kMaxJobId = 100000;

fs::path HostSpoolDirectory() {
  fs::path dir = kernel::HostPathOfAnsi(SpoolDirectory());
  std::error_code ec;
  fs::create_directories(dir, ec);
  return dir;
}

fs::path JobFile(DWORD id, const char* extension) {
  char name[32];
  std::snprintf(name, sizeof name, "%05lu.%s", static_cast<unsigned long>(id), extension);
  return HostSpoolDirectory() / name;
}

// One line per field; texts lose line breaks so that a record always reads back.
std::string OneLine(std::string s) {
  std::replace(s.begin(), s.end(), '\n', ' ');
  std::replace(s.begin(), s.end(), '\r', ' ');
  return s;
}

std::string Now() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

DWORD HighestJobId() {
  DWORD highest = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(HostSpoolDirectory(), ec)) {
    std::string stem = entry.path().stem().string();
    if (entry.path().extension() != ".SHD" || stem.empty() ||
        stem.find_first_not_of("0123456789") != std::string::npos)
      continue;
    highest = std::max<DWORD>(highest, static_cast<DWORD>(std::strtoul(stem.c_str(), nullptr, 10)));
  }
  return highest;
}

}  // namespace

std::string SpoolDirectory() {
  return trv::IsWindowsNT() ? "C:\\WINDOWS\\system32\\spool\\PRINTERS"
                            : "C:\\WINDOWS\\SPOOL\\PRINTERS";
}

DWORD CreateJob(JobRecord* record) {
  // Ids keep counting up across jobs that printed and left, so that an old id never
  // names a new job; the machine remembers the last one given. They are claimed by
  // creating the record file exclusively, so two processes spooling at once never
  // share one.
  RegKey print;
  DWORD last = 0;
  if (print.Create(kPrintKey) == ERROR_SUCCESS) print.ReadDword("LastJobId", &last);
  DWORD first = std::max(last, HighestJobId()) + 1;
  if (first >= kMaxJobId) first = HighestJobId() + 1;
  for (DWORD id = first; id < kMaxJobId; ++id) {
    std::FILE* f = std::fopen(JobFile(id, "SHD").c_str(), "wx");
    if (f == nullptr) {
      if (errno == EEXIST) continue;
      return PortErrorFromErrno(errno);
    }
    std::fclose(f);
    if (print.get() != nullptr) print.WriteDword("LastJobId", id);
    record->id = id;
    if (record->submitted.empty()) record->submitted = Now();
    std::ofstream spool(JobFile(id, "SPL"), std::ios::binary | std::ios::trunc);
    if (!spool) {
      std::error_code ec;
      fs::remove(JobFile(id, "SHD"), ec);
      return ERROR_CANTWRITE;
    }
    return SaveJob(*record);
  }
  return ERROR_NOT_ENOUGH_MEMORY;
}

DWORD SaveJob(const JobRecord& r) {
  fs::path file = JobFile(r.id, "SHD");
  fs::path temporary = file;
  temporary += ".new";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << "id=" << r.id << "\nprinter=" << OneLine(r.printer)
        << "\ndocument=" << OneLine(r.document) << "\ndatatype=" << OneLine(r.datatype)
        << "\noutput=" << OneLine(r.outputFile) << "\nstatus=" << r.status << "\nerror=" << r.error
        << "\nsubmitted=" << r.submitted << "\n";
    if (!out.flush()) return ERROR_CANTWRITE;
  }
  std::error_code ec;
  fs::rename(temporary, file, ec);  // a reader sees the old or the new record, never half of one
  return ec ? ERROR_CANTWRITE : ERROR_SUCCESS;
}

DWORD LoadJob(DWORD id, JobRecord* record) {
  std::ifstream in(JobFile(id, "SHD"));
  if (!in || id == 0) return ERROR_INVALID_PARAMETER;
  JobRecord r;
  r.id = id;
  bool sawId = false;
  for (std::string line; std::getline(in, line);) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "id")
      sawId = std::strtoul(value.c_str(), nullptr, 10) == id;
    else if (key == "printer")
      r.printer = value;
    else if (key == "document")
      r.document = value;
    else if (key == "datatype")
      r.datatype = value;
    else if (key == "output")
      r.outputFile = value;
    else if (key == "status")
      r.status = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
    else if (key == "error")
      r.error = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
    else if (key == "submitted")
      r.submitted = value;
  }
  if (!sawId) return ERROR_INVALID_PARAMETER;  // a record still being created
  *record = std::move(r);
  return ERROR_SUCCESS;
}

DWORD AppendJobData(DWORD id, const BYTE* data, DWORD size) {
  std::ofstream out(JobFile(id, "SPL"), std::ios::binary | std::ios::app);
  if (!out) return ERROR_INVALID_PARAMETER;
  out.write(reinterpret_cast<const char*>(data), size);
  return out.flush() ? ERROR_SUCCESS : ERROR_DISK_FULL;
}

DWORD ReadJobData(DWORD id, std::vector<BYTE>* data) {
  std::ifstream in(JobFile(id, "SPL"), std::ios::binary);
  if (!in) return ERROR_FILE_NOT_FOUND;
  data->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return in.bad() ? ERROR_READ_FAULT : ERROR_SUCCESS;
}

DWORD DeleteJob(DWORD id) {
  std::error_code ec;
  fs::remove(JobFile(id, "SPL"), ec);
  bool removed = fs::remove(JobFile(id, "SHD"), ec);
  return removed ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

std::vector<JobRecord> Jobs(const std::string& printer) {
  std::vector<JobRecord> jobs;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(HostSpoolDirectory(), ec)) {
    if (entry.path().extension() != ".SHD") continue;
    DWORD id = static_cast<DWORD>(std::strtoul(entry.path().stem().c_str(), nullptr, 10));
    JobRecord r;
    if (LoadJob(id, &r) == ERROR_SUCCESS && (printer.empty() || r.printer == printer))
      jobs.push_back(std::move(r));
  }
  std::sort(jobs.begin(), jobs.end(),
            [](const JobRecord& a, const JobRecord& b) { return a.id < b.id; });
  return jobs;
}

}  // namespace trv::spooler
