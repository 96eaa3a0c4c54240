// Short (8.3) names. The names of a folder are given in the order of its sorted
// listing: the first long name of a given stem becomes STEM~1, the next STEM~2, and
// so on, skipping names that are taken, so the same folder always gives the same
// short names. A name that is already a valid 8.3 name is its own short name.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/kernel/paths.h"
#include "platform/kernel/text.h"

namespace trv::kernel {
namespace {

bool Allowed83(unsigned char c) {
  if (c >= 0x80) return true;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!#$%&'()-@^_`{}~").find(static_cast<char>(c)) != std::string::npos;
}

bool IsValid83(const std::string& name) {
  if (name == "." || name == "..") return true;
  size_t dot = name.find('.');
  if (dot != name.rfind('.')) return false;
  std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  if (dot != std::string::npos && ext.empty()) return false;
  for (char c : base + ext)
    if (!Allowed83(static_cast<unsigned char>(c))) return false;
  return true;
}

std::string Upper(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(Upper1252(static_cast<unsigned char>(c)));
  return out;
}

// Upper case, without spaces and periods; characters 8.3 names cannot hold become '_'.
std::string Clean(const std::string& s) {
  std::string out;
  for (char ch : Upper(s)) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == ' ' || c == '.') continue;
    out += Allowed83(c) ? ch : '_';
  }
  return out;
}

std::string Candidate(const std::string& stem, const std::string& ext, int n) {
  std::string tail = "~" + std::to_string(n);
  std::string base = stem.substr(0, std::min(stem.size(), 8 - tail.size())) + tail;
  return ext.empty() ? base : base + "." + ext;
}

}  // namespace

std::string ShortNameIn(const std::string& hostFolder, const std::string& ansiName) {
  if (IsValid83(ansiName)) return "";
  std::vector<std::string> names;
  if (DIR* d = ::opendir(hostFolder.c_str())) {
    while (dirent* e = ::readdir(d)) names.push_back(Utf8ToAnsi(e->d_name));
    ::closedir(d);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    int c = CompareNoCase(a, b);
    return c != 0 ? c < 0 : a < b;
  });
  std::set<std::string> taken;
  for (const std::string& n : names)
    if (IsValid83(n)) taken.insert(Upper(n));
  std::string result;
  bool listed = false;
  for (const std::string& n : names) {
    if (IsValid83(n)) continue;
    size_t dot = n.rfind('.');
    std::string stem = Clean(dot == std::string::npos || dot == 0 ? n : n.substr(0, dot));
    std::string ext = dot == std::string::npos || dot == 0 ? "" : Clean(n.substr(dot + 1));
    ext = ext.substr(0, 3);
    if (stem.empty()) stem = "_";
    stem = stem.substr(0, 6);
    std::string shortName;
    for (int i = 1;; ++i) {
      shortName = Candidate(stem, ext, i);
      if (taken.insert(shortName).second) break;
    }
    if (n == ansiName) {
      result = shortName;
      listed = true;
      break;
    }
  }
  return listed ? result : "";
}

}  // namespace trv::kernel

TRVAPI DWORD WINAPI GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
  if (longPath == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string path = longPath;
  struct stat st;
  std::string host = trv::kernel::HostPathOfAnsi(path);
  if (host.empty() || ::stat(host.c_str(), &st) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  // Each component after the drive or first separator is replaced in its folder.
  std::string out;
  size_t start = 0;
  if (path.size() >= 2 && path[1] == ':') {
    out = path.substr(0, 2);
    start = 2;
  }
  std::string folderSoFar = out;
  while (start < path.size()) {
    size_t sep = path.find_first_of("\\/", start);
    if (sep == start) {
      out += path[sep];
      folderSoFar += path[sep];
      ++start;
      continue;
    }
    std::string component =
        path.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
    std::string folder = trv::kernel::HostPathOfAnsi(folderSoFar.empty() ? "." : folderSoFar);
    // The component's name as stored, so that a name given in another case still
    // finds its place in the folder's listing.
    std::string stored = component;
    std::string hostComponent = trv::kernel::HostPathOfAnsi(folderSoFar + component);
    size_t slash = hostComponent.rfind('/');
    if (slash != std::string::npos)
      stored = trv::kernel::Utf8ToAnsi(hostComponent.substr(slash + 1));
    std::string shortName = trv::kernel::ShortNameIn(folder, stored);
    out += shortName.empty() ? component : shortName;
    folderSoFar += component;
    if (sep == std::string::npos) break;
    start = sep;
  }
  if (shortPath == nullptr || size <= out.size()) return static_cast<DWORD>(out.size() + 1);
  std::copy(out.begin(), out.end(), shortPath);
  shortPath[out.size()] = 0;
  return static_cast<DWORD>(out.size());
}
