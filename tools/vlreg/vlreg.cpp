// vlreg: reads and writes the registry from the command line, for users,
// administrators and test scripts, on every platform the product runs on.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "tools/vlreg/reg_file.h"
#include "tools/vlreg/user_policy_registry.h"
#ifndef _WIN32
#include "platform/posix/registry_store.h"
#include "platform/posix/user_policies.h"
#endif

namespace {

using namespace platform;
using vlreg::RegFileResult;
using vlreg::exportRegFile;
using vlreg::importRegFile;

const char kUsage[] =
    "usage: vlreg [--user NAME] COMMAND ...\n"
    "  query KEY [NAME]              list the values of KEY (NAME<TAB>TYPE<TAB>DATA), or print one\n"
    "  keys KEY                      list the subkeys of KEY\n"
    "  set KEY NAME TYPE DATA        TYPE is sz, expand_sz, dword (decimal or 0x...) or\n"
    "                                binary (hex digits); NAME \"@\" or \"\" is the default value\n"
    "  delete KEY [NAME]             delete a value, or KEY with everything below it\n"
    "  import FILE.reg               apply a registry file\n"
    "  export KEY FILE.reg           write KEY and its subkeys as a REGEDIT4 file\n"
#ifndef _WIN32
    "  protect KEY | unprotect KEY   make KEY read-only for users without administrator rights\n"
#endif
    "KEY is a root (HKLM, HKCU, HKCR, HKU or the long names) and a path: HKLM\\Software\\Norvale\n"
    "--user NAME: HKCU\\Software\\Policies is the user NAME's (an administrator sets a user's\n"
    "  policies and locks this way; the user may read them, not change them)\n"
    "Exit status: 0 done, 1 missing key or value or bad input, 2 bad usage.\n";

enum Exit { kDone = 0, kFailed = 1, kBadUsage = 2 };

int usage() {
  std::fputs(kUsage, stderr);
  return kBadUsage;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "vlreg: %s\n", message.c_str());
  return kFailed;
}

std::string statusText(long status) {
  switch (status) {
    case kRegNotFound: return "not found";
    case kRegAccessDenied: return "access denied";
    case kRegInvalidParameter: return "invalid name";
    case kRegStoreFailure: return "the registry store cannot be used";
    default: return "error " + std::to_string(status);
  }
}

std::string lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string valueName(const std::string& argument) { return argument == "@" ? std::string() : argument; }

const char* typeName(RegType type) {
  switch (type) {
    case kRegNone: return "REG_NONE";
    case kRegSz: return "REG_SZ";
    case kRegExpandSz: return "REG_EXPAND_SZ";
    case kRegBinary: return "REG_BINARY";
    case kRegDword: return "REG_DWORD";
    case kRegMultiSz: return "REG_MULTI_SZ";
  }
  return "REG_UNKNOWN";
}

std::string hexDigits(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (char c : bytes) {
    unsigned char b = static_cast<unsigned char>(c);
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

std::string shownData(RegType type, const std::string& data) {
  if (type == kRegSz || type == kRegExpandSz) return data.substr(0, data.find('\0'));
  if (type == kRegDword && data.size() == 4) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
      value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    return std::to_string(value);
  }
  return hexDigits(data);
}

// Set by --user: keys of HKEY_CURRENT_USER are that user's policies only.
bool gForAnotherUser = false;

bool parseKey(const std::string& text, RegRoot* root, std::string* path) {
  if (!parseKeyPath(text, root, path)) {
    fail("not a registry key: \"" + text + "\" (expected e.g. HKLM\\Software\\Norvale)");
    return false;
  }
  if (gForAnotherUser && !vlreg::UserPolicyRegistry::reachable(*root, *path)) {
    fail("for another user only HKCU\\Software\\Policies can be reached, not \"" + text + "\"");
    return false;
  }
  return true;
}

bool parseDword(const std::string& text, std::uint32_t* value) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long number = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || !end || *end != '\0' || number > 0xFFFFFFFFull) return false;
  *value = static_cast<std::uint32_t>(number);
  return true;
}

bool parseHex(const std::string& text, std::string* bytes) {
  std::string digits;
  for (char c : text) {
    if (c == ',' || c == ' ' || c == ':') continue;  // separators people paste along
    bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex) return false;
    digits.push_back(c);
  }
  if (digits.size() % 2) return false;
  bytes->clear();
  for (std::size_t i = 0; i < digits.size(); i += 2)
    bytes->push_back(static_cast<char>(std::strtoul(digits.substr(i, 2).c_str(), nullptr, 16)));
  return true;
}

int query(const std::vector<std::string>& args) {
  if (args.size() != 1 && args.size() != 2) return usage();
  RegRoot root;
  std::string path;
  if (!parseKey(args[0], &root, &path)) return kFailed;
  RegKey key;
  long status = key.open(root, path, kRegRead);
  if (status != kRegOk) return fail("cannot open " + args[0] + ": " + statusText(status));
  RegType type = kRegNone;
  std::string data;
  if (args.size() == 2) {
    status = key.query(valueName(args[1]), &type, &data);
    if (status != kRegOk) return fail("value \"" + args[1] + "\" of " + args[0] + ": " + statusText(status));
    std::printf("%s\n", shownData(type, data).c_str());
    return kDone;
  }
  std::string name;
  for (std::uint32_t i = 0; key.enumValue(i, &name, &type, &data) == kRegOk; ++i)
    std::printf("%s\t%s\t%s\n", name.empty() ? "@" : name.c_str(), typeName(type),
                shownData(type, data).c_str());
  return kDone;
}

int keys(const std::vector<std::string>& args) {
  if (args.size() != 1) return usage();
  RegRoot root;
  std::string path;
  if (!parseKey(args[0], &root, &path)) return kFailed;
  RegKey key;
  long status = key.open(root, path, kRegRead);
  if (status != kRegOk) return fail("cannot open " + args[0] + ": " + statusText(status));
  std::string name;
  for (std::uint32_t i = 0; key.enumKey(i, &name) == kRegOk; ++i) std::printf("%s\n", name.c_str());
  return kDone;
}

int set(const std::vector<std::string>& args) {
  if (args.size() != 4) return usage();
  RegRoot root;
  std::string path;
  if (!parseKey(args[0], &root, &path)) return kFailed;
  std::string kind = lower(args[2]);
  RegType type;
  std::string data;
  if (kind == "sz" || kind == "expand_sz") {
    type = kind == "sz" ? kRegSz : kRegExpandSz;
    data = args[3];
  } else if (kind == "dword") {
    type = kRegDword;
    std::uint32_t value = 0;
    if (!parseDword(args[3], &value)) return fail("not a 32-bit number: \"" + args[3] + "\"");
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  } else if (kind == "binary") {
    type = kRegBinary;
    if (!parseHex(args[3], &data)) return fail("not hex digits: \"" + args[3] + "\"");
  } else {
    std::fprintf(stderr, "vlreg: unknown type \"%s\"\n", args[2].c_str());
    return usage();
  }
  RegKey key;
  long status = key.create(root, path);
  if (status != kRegOk) return fail("cannot write " + args[0] + ": " + statusText(status));
  status = registry().SetValue(key.handle(), valueName(args[1]), type, data);
  if (status != kRegOk) return fail("cannot set \"" + args[1] + "\": " + statusText(status));
  return kDone;
}

int remove(const std::vector<std::string>& args) {
  if (args.size() != 1 && args.size() != 2) return usage();
  RegRoot root;
  std::string path;
  if (!parseKey(args[0], &root, &path)) return kFailed;
  long status;
  if (args.size() == 1) {
    status = registry().DeleteTree(root, path);
    if (status != kRegOk) return fail("cannot delete " + args[0] + ": " + statusText(status));
    return kDone;
  }
  RegKey key;
  status = key.open(root, path, kRegWrite);
  if (status == kRegOk) status = key.deleteValue(valueName(args[1]));
  if (status != kRegOk)
    return fail("cannot delete \"" + args[1] + "\" of " + args[0] + ": " + statusText(status));
  return kDone;
}

int import(const std::vector<std::string>& args) {
  if (args.size() != 1) return usage();
  RegFileResult result = importRegFile(registry(), args[0]);
  if (!result.ok) {
    if (result.line > 0)
      std::fprintf(stderr, "vlreg: %s: line %d: %s\n", args[0].c_str(), result.line,
                   result.message.c_str());
    else
      std::fprintf(stderr, "vlreg: %s\n", result.message.c_str());
    return kFailed;
  }
  return kDone;
}

int exportKey(const std::vector<std::string>& args) {
  if (args.size() != 2) return usage();
  RegRoot root;
  std::string path;
  if (!parseKey(args[0], &root, &path)) return kFailed;
  RegKey key;
  long status = key.open(root, path, kRegRead);
  if (status != kRegOk) return fail("cannot open " + args[0] + ": " + statusText(status));
  key.close();
  if (!exportRegFile(registry(), root, path, args[1])) return fail("cannot write " + args[1]);
  return kDone;
}

int protect(const std::vector<std::string>& args, bool on) {
  if (args.size() != 1) return usage();
  if (gForAnotherUser) return fail("a user's policies are protected already: only administrators may change them");
#ifdef _WIN32
  (void)on;
  return fail("on Windows, protect keys with their permissions (regedit, Permissions...)");
#else
  RegRoot root;
  std::string path;
  if (!parseKey(args[0], &root, &path)) return kFailed;
  long status = posix::setKeyProtected(root, path, on);
  if (status != kRegOk) return fail("cannot change " + args[0] + ": " + statusText(status));
  return kDone;
#endif
}

// Acts for the user `name` from now on (--user).
bool actForUser(const std::string& name) {
#ifdef _WIN32
  fail("on Windows, set a user's policies with the user's own hive (HKEY_USERS\\<SID>) or Group Policy");
  (void)name;
  return false;
#else
  std::string sid;
  if (!platform::posix::userSidOf(name, &sid)) {
    fail("there is no user named \"" + name + "\"");
    return false;
  }
  static vlreg::UserPolicyRegistry forUser(registry(), sid);
  setRegistry(&forUser);
  gForAnotherUser = true;
  return true;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() >= 2 && args[0] == "--user") {
    if (!actForUser(args[1])) return kFailed;
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return usage();
  std::string command = args[0];
  args.erase(args.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return kDone;
  }
  if (command == "query") return query(args);
  if (command == "keys") return keys(args);
  if (command == "set") return set(args);
  if (command == "delete") return remove(args);
  if (command == "import") return import(args);
  if (command == "export") return exportKey(args);
  if (command == "protect") return protect(args, true);
  if (command == "unprotect") return protect(args, false);
  std::fprintf(stderr, "vlreg: unknown command \"%s\"\n", command.c_str());
  return usage();
}
