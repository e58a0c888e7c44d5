#include "uninstall/profile/CommandLineOptions.h"

#include <cstring>

#include "uninstall/profile/TextRoutines.h"

namespace vq {

namespace {
// Every switch the tool reads; "?" is the help. A switch is added here when
// it works, never before: until then a run that acts on the switches alone
// refuses it.
const char* const kKnownSwitches[] = {"MFG", "PRN",  "UNVEZZ", "NOPICK", "QUIET", "FORCERESTART",
                                      "LOG", "PLAN", "BACKUP", "UNDO",   "?"};

// Splits `text` at every `sep` outside double quotes.
std::vector<std::string> SplitOutsideQuotes(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::string current;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == sep && !quoted) {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  parts.push_back(current);
  return parts;
}

// Appends the switch of `token`, if it is one, with whether a colon followed
// its name.
void AddSwitch(const std::string& token, std::vector<std::vector<std::string>>& out,
               std::vector<bool>& colons) {
  if (token.empty() || (token[0] != '/' && token[0] != '-')) return;
  std::string body = token.substr(1);
  std::vector<std::string> sw;
  bool quoted = false;
  std::size_t colon = std::string::npos;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] == '"') quoted = !quoted;
    else if (body[i] == ':' && !quoted) {
      colon = i;
      break;
    }
  }
  sw.push_back(body.substr(0, colon));
  if (colon != std::string::npos && colon + 1 < body.size()) {
    for (std::string& v : SplitOutsideQuotes(body.substr(colon + 1), ',')) sw.push_back(v);
  }
  out.push_back(std::move(sw));
  colons.push_back(colon != std::string::npos);
}
}  // namespace

void CommandLineOptions::Parse(const char* commandLine) {
  switches_.clear();
  colons_.clear();
  if (!commandLine) return;
  char line[kLineBufferSize];
  CopyBounded(line, sizeof(line), commandLine);
  std::string token;
  bool quoted = false;
  for (const char* p = line;; ++p) {
    if (*p == '"') quoted = !quoted;
    if (*p == '\0' || (*p == ' ' && !quoted)) {
      AddSwitch(token, switches_, colons_);
      token.clear();
      if (*p == '\0') break;
    } else {
      token += *p;
    }
  }
}

bool CommandLineOptions::IsKnown(const std::string& name) {
  for (const char* known : kKnownSwitches) {
    if (EqualNoCase(name, known)) return true;
  }
  return false;
}

bool CommandLineOptions::FindUnknown(std::string& name) const {
  for (const auto& sw : switches_) {
    if (!IsKnown(sw[0])) {
      name = sw[0];
      return true;
    }
  }
  return false;
}

int CommandLineOptions::Count(const std::string& name) const {
  int count = -1;
  for (const auto& sw : switches_) {
    if (EqualNoCase(sw[0], name)) count = static_cast<int>(sw.size()) - 1;
  }
  return count;
}

int CommandLineOptions::Occurrences(const std::string& name) const {
  int n = 0;
  for (const auto& sw : switches_) {
    if (EqualNoCase(sw[0], name)) ++n;
  }
  return n;
}

bool CommandLineOptions::HasEmptyValue(const std::string& name) const {
  for (std::size_t i = 0; i < switches_.size(); ++i) {
    const std::vector<std::string>& sw = switches_[i];
    if (!EqualNoCase(sw[0], name)) continue;
    if (colons_[i] && sw.size() == 1) return true;
    for (std::size_t v = 1; v < sw.size(); ++v) {
      std::string value = sw[v];
      TrimChar(value, '"');
      if (value.empty()) return true;
    }
  }
  return false;
}

bool CommandLineOptions::Values(const std::string& name, char* buffer, std::size_t size) const {
  std::string list;
  for (const auto& sw : switches_) {
    if (!EqualNoCase(sw[0], name)) continue;
    for (std::size_t i = 1; i < sw.size(); ++i) {
      list += sw[i];
      list += '\0';
    }
  }
  if (list.empty()) return false;
  list += '\0';
  if (!buffer || list.size() >= size) return false;
  std::memcpy(buffer, list.data(), list.size());
  return true;
}

}  // namespace vq
