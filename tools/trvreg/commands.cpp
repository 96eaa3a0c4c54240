#include "tools/trvreg/commands.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>

#include "platform/kernel.h"
#include "platform/stand_in.h"
#include "tools/trvreg/data_text.h"
#include "tools/trvreg/regfile.h"
#include "tools/trvreg/text.h"

namespace trvreg {
namespace {

constexpr const char* kDone = "The operation completed successfully.";
constexpr const char* kUsage =
    "Usage:\n"
    "  trvreg query KEY [/v NAME | /ve] [/s]\n"
    "  trvreg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"
    "  trvreg delete KEY [/v NAME | /ve | /va] [/f]\n"
    "  trvreg export KEY FILE [/y]\n"
    "  trvreg import FILE\n"
    "KEY: HKLM\\... or HKCU\\... (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER)\n"
    "TYPE: REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY, REG_NONE\n";

// The command line after the command word: positional words, and the options of
// the command with their arguments. Words that are not known options (a file path
// such as /tmp/x.reg) are positional.
struct Arguments {
  std::vector<std::u16string> positional;
  std::map<std::u16string, std::u16string> options;  // lower-case name -> argument
  bool Has(const char16_t* name) const { return options.count(name) != 0; }
};

std::u16string Lower(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return s;
}

std::optional<Arguments> Parse(const std::vector<std::u16string>& args, const std::u16string& flags,
                               const std::u16string& withArgument) {
  Arguments parsed;
  for (size_t i = 1; i < args.size(); ++i) {
    std::u16string word = Lower(args[i]);
    bool option = word.size() > 1 && (word[0] == u'/' || word[0] == u'-');
    std::u16string key = option ? u" " + word.substr(1) + u" " : u"";
    if (option && withArgument.find(key) != std::u16string::npos) {
      if (i + 1 >= args.size() || parsed.options.count(word.substr(1))) return std::nullopt;
      parsed.options[word.substr(1)] = args[++i];
    } else if (option && flags.find(key) != std::u16string::npos) {
      if (parsed.options.count(word.substr(1))) return std::nullopt;
      parsed.options[word.substr(1)] = u"";
    } else {
      parsed.positional.push_back(args[i]);
    }
  }
  return parsed;
}

// The system's text for an error, as reg.exe shows it.
std::string ErrorText(LONG code) {
  if (code == ERROR_FILE_NOT_FOUND)
    return "The system was unable to find the specified registry key or value.";
  char text[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  if (n != 0) {
    std::string message(text, n);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
      message.pop_back();
    return ToUtf8(FromAnsi(message));
  }
  // Codes of the registry that the system's message table does not carry yet.
  switch (code) {
    case ERROR_BUSY: return "The requested resource is in use.";
    case ERROR_BAD_PATHNAME: return "The specified path is invalid.";
    case ERROR_NO_UNICODE_TRANSLATION:
      return "No mapping for the Unicode character exists in the target multi-byte code page.";
    case ERROR_REGISTRY_CORRUPT:
      return "The structure of one of the files containing registry data is corrupted.";
    case ERROR_REGISTRY_IO_FAILED:
      return "An I/O operation initiated by the registry failed unrecoverably.";
    case ERROR_TRANSACTIONAL_CONFLICT:
      return "The function attempted to use a name that is reserved for use by another "
             "transaction.";
    default: return "Error " + std::to_string(code) + ".";
  }
}

int Fail(Console& c, const std::string& message) {
  c.err << "ERROR: " << message << "\n";
  return 1;
}
int Fail(Console& c, LONG code, const std::string& about = "") {
  return Fail(c, ErrorText(code) + (about.empty() ? "" : " (" + about + ")"));
}
int Syntax(Console& c) { return Fail(c, "Invalid syntax.\nType \"trvreg /?\" for usage."); }

bool Confirm(Console& c, const std::string& question) {
  c.out << question << " (Yes/No)? " << std::flush;
  std::string answer;
  if (!std::getline(c.in, answer)) return false;
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}
int Cancelled(Console& c) {
  c.err << "The operation was cancelled by the user.\n";
  return 1;
}

std::string ShowName(const std::u16string& name) {
  return name.empty() ? "(Default)" : ToUtf8(name);
}

void PrintValue(Console& c, const ValueEntry& v) {
  c.out << "    " << ShowName(v.name) << "    " << ToUtf8(TypeName(v.type)) << "    "
        << ToUtf8(ShowData(v.type, v.data)) << "\n";
}

// The value a command names with /v NAME or /ve; nullopt when it names none.
std::optional<std::u16string> ValueName(const Arguments& a) {
  if (a.Has(u"ve")) return std::u16string();
  if (a.Has(u"v")) return a.options.at(u"v");
  return std::nullopt;
}

LONG QueryTree(Console& c, const KeyPath& path, HKEY key, bool recursive) {
  std::vector<ValueEntry> values;
  std::vector<std::u16string> subKeys;
  LONG result = ReadValues(key, values);
  if (result == ERROR_SUCCESS) result = ReadSubKeys(key, subKeys);
  if (result != ERROR_SUCCESS) return result;
  c.out << "\n" << ToUtf8(path.Full()) << "\n";
  for (const ValueEntry& v : values) PrintValue(c, v);
  if (!recursive) {
    if (!subKeys.empty()) c.out << "\n";
    for (const std::u16string& name : subKeys) c.out << ToUtf8(path.Child(name).Full()) << "\n";
    return ERROR_SUCCESS;
  }
  for (const std::u16string& name : subKeys) {
    Key sub;
    result = RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, sub.out());
    if (result == ERROR_SUCCESS) result = QueryTree(c, path.Child(name), sub.get(), true);
    if (result != ERROR_SUCCESS) return result;
  }
  return ERROR_SUCCESS;
}

int Query(const KeyPath& path, const Arguments& a, Console& c) {
  Key key;
  LONG result = RegOpenKeyExW(path.root, path.subKey.c_str(), 0, KEY_READ, key.out());
  if (result != ERROR_SUCCESS) return Fail(c, result);
  if (std::optional<std::u16string> name = ValueName(a)) {
    // Listed from the key, so that the name shows as stored.
    std::vector<ValueEntry> values;
    result = ReadValues(key.get(), values);
    if (result != ERROR_SUCCESS) return Fail(c, result);
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const ValueEntry& v) { return SameName(v.name, *name); });
    if (it == values.end()) return Fail(c, ERROR_FILE_NOT_FOUND);
    c.out << "\n" << ToUtf8(path.Full()) << "\n";
    PrintValue(c, *it);
    return 0;
  }
  result = QueryTree(c, path, key.get(), a.Has(u"s"));
  return result == ERROR_SUCCESS ? 0 : Fail(c, result);
}

int Add(const KeyPath& path, const Arguments& a, Console& c) {
  if (a.Has(u"v") && a.Has(u"ve")) return Syntax(c);
  DWORD type = REG_SZ;
  if (a.Has(u"t")) {
    std::optional<DWORD> t = ParseTypeName(a.options.at(u"t"));
    if (!t) return Fail(c, "Invalid key name or type.");
    type = *t;
  }
  Key key;
  LONG result = RegCreateKeyExW(path.root, path.subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, key.out(), nullptr);
  if (result != ERROR_SUCCESS) return Fail(c, result);
  // Type or data alone set the default value, as reg.exe does.
  std::optional<std::u16string> name = ValueName(a);
  if (!name && (a.Has(u"t") || a.Has(u"d"))) name = std::u16string();
  if (name) {
    std::u16string text = a.Has(u"d") ? a.options.at(u"d") : u"";
    std::u16string separator = a.Has(u"s") ? a.options.at(u"s") : u"\\0";
    std::optional<std::string> data = ParseData(type, text, separator);
    if (!data) return Fail(c, "Invalid data for " + ToUtf8(TypeName(type)) + ": " + ToUtf8(text));
    ValueEntry existing;
    if (!a.Has(u"f") && ReadValue(key.get(), *name, existing) == ERROR_SUCCESS &&
        !Confirm(c, "Value " + ShowName(*name) + " exists, overwrite"))
      return Cancelled(c);
    result = RegSetValueExW(key.get(), name->c_str(), 0, type,
                            reinterpret_cast<const BYTE*>(data->data()),
                            static_cast<DWORD>(data->size()));
    if (result != ERROR_SUCCESS) return Fail(c, result);
  }
  c.out << kDone << "\n";
  return 0;
}

LONG DeleteAllValues(HKEY key) {
  std::vector<ValueEntry> values;
  LONG result = ReadValues(key, values);
  for (size_t i = 0; result == ERROR_SUCCESS && i < values.size(); ++i)
    result = RegDeleteValueW(key, values[i].name.c_str());
  return result;
}

int Delete(const KeyPath& path, const Arguments& a, Console& c) {
  if (a.Has(u"v") + a.Has(u"ve") + a.Has(u"va") > 1) return Syntax(c);
  std::optional<std::u16string> name = ValueName(a);
  LONG result;
  if (!name && !a.Has(u"va")) {
    if (path.subKey.empty()) return Fail(c, ERROR_ACCESS_DENIED, ToUtf8(path.Full()));
    Key probe;
    result = RegOpenKeyExW(path.root, path.subKey.c_str(), 0, KEY_READ, probe.out());
    if (result != ERROR_SUCCESS) return Fail(c, result);
    if (!a.Has(u"f") && !Confirm(c, "Permanently delete the registry key " + ToUtf8(path.Full())))
      return Cancelled(c);
    result = RegDeleteTreeW(path.root, path.subKey.c_str());
  } else {
    Key key;
    result = RegOpenKeyExW(path.root, path.subKey.c_str(), 0, KEY_ALL_ACCESS, key.out());
    if (result != ERROR_SUCCESS) return Fail(c, result);
    if (name) {
      ValueEntry existing;
      result = ReadValue(key.get(), *name, existing);
      if (result != ERROR_SUCCESS) return Fail(c, result);
      if (!a.Has(u"f") && !Confirm(c, "Delete the registry value " + ShowName(*name)))
        return Cancelled(c);
      result = RegDeleteValueW(key.get(), name->c_str());
    } else {
      if (!a.Has(u"f") &&
          !Confirm(c, "Delete all values under the registry key " + ToUtf8(path.Full())))
        return Cancelled(c);
      result = DeleteAllValues(key.get());
    }
  }
  if (result != ERROR_SUCCESS) return Fail(c, result);
  c.out << kDone << "\n";
  return 0;
}

// A Windows path ("C:\x.reg") lives on the machine; anything else is a host path.
std::string HostFile(const std::u16string& file) {
  std::string path = ToUtf8(file);
  bool windows =
      path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
  return windows ? trv::HostPath(path) : path;
}

int Export(const KeyPath& path, const std::u16string& file, const Arguments& a, Console& c) {
  std::string host = HostFile(file);
  std::string text, problem;
  LONG result = ExportKey(path, text, problem);
  if (result != ERROR_SUCCESS) return Fail(c, result, problem);
  if (!a.Has(u"y") && std::ifstream(host).good() &&
      !Confirm(c, "File " + ToUtf8(file) + " already exists. Overwrite"))
    return Cancelled(c);
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) return Fail(c, "Cannot write the file " + ToUtf8(file) + ".");
  c.out << kDone << "\n";
  return 0;
}

int Import(const std::u16string& file, Console& c) {
  std::ifstream in(HostFile(file), std::ios::binary);
  if (!in) return Fail(c, "Cannot read the file " + ToUtf8(file) + ".");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  std::vector<RegOperation> operations;
  std::string problem;
  if (!ParseRegFile(bytes.str(), operations, problem))
    return Fail(c, ToUtf8(file) + ", " + problem);
  LONG result = ApplyRegFile(operations, problem);
  if (result != ERROR_SUCCESS) return Fail(c, result, problem + "; nothing was imported");
  c.out << kDone << "\n";
  return 0;
}

}  // namespace

int RunCommand(const std::vector<std::u16string>& args, Console& console) {
  if (args.empty()) {
    console.err << kUsage;
    return 1;
  }
  std::u16string command = Lower(args[0]);
  if (command == u"/?" || command == u"-?" || command == u"/h" || command == u"--help") {
    console.out << kUsage;
    return 0;
  }
  std::optional<Arguments> a;
  size_t keys = 1;
  if (command == u"query") a = Parse(args, u" ve s ", u" v ");
  if (command == u"add") a = Parse(args, u" ve f ", u" v t s d ");
  if (command == u"delete") a = Parse(args, u" ve va f ", u" v ");
  if (command == u"export") a = Parse(args, u" y ", u""), keys = 2;
  if (command == u"import") a = Parse(args, u"", u""), keys = 0;
  if (!a || a->positional.size() != std::max<size_t>(keys, 1)) return Syntax(console);
  if (command == u"import") return Import(a->positional[0], console);
  std::optional<KeyPath> path = ParseKeyPath(a->positional[0]);
  if (!path) return Fail(console, "Invalid key name.");
  if (command == u"query") return Query(*path, *a, console);
  if (command == u"add") return Add(*path, *a, console);
  if (command == u"delete") return Delete(*path, *a, console);
  return Export(*path, a->positional[1], *a, console);
}

}  // namespace trvreg
