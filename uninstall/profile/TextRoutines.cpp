#include "uninstall/profile/TextRoutines.h"

#include <cstring>

namespace vq {

namespace {
char* SplitAtImpl(char* text, char ch, bool honourQuotes) {
  if (!text) return nullptr;
  if (ch == '\0') {
    char* next = text + std::strlen(text) + 1;
    return *next ? next : nullptr;
  }
  bool quoted = false;
  for (char* p = text; *p; ++p) {
    if (honourQuotes && *p == '"') {
      quoted = !quoted;
    } else if (*p == ch && !quoted) {
      *p = '\0';
      return p + 1;
    }
  }
  return nullptr;
}
}  // namespace

char* SplitAt(char* text, char ch) { return SplitAtImpl(text, ch, false); }

char* SplitAtUnquoted(char* text, char ch) { return SplitAtImpl(text, ch, true); }

void TrimChar(char* text, char ch) {
  if (!text || ch == '\0') return;
  std::size_t len = std::strlen(text);
  std::size_t start = 0;
  while (start < len && text[start] == ch) ++start;
  std::size_t end = len;
  while (end > start && text[end - 1] == ch) --end;
  std::memmove(text, text + start, end - start);
  text[end - start] = '\0';
}

void TrimChar(std::string& text, char ch) {
  std::size_t start = text.find_first_not_of(ch);
  if (start == std::string::npos) {
    text.clear();
    return;
  }
  std::size_t end = text.find_last_not_of(ch);
  text = text.substr(start, end - start + 1);
}

int CompareNoCase(const std::string& a, const std::string& b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char ca = FoldCase(static_cast<unsigned char>(a[i]));
    unsigned char cb = FoldCase(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         EqualNoCase(text.substr(0, prefix.size()), prefix);
}

std::string FoldedCopy(const std::string& text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(FoldCase(static_cast<unsigned char>(c)));
  return out;
}

bool CopyBounded(char* dst, std::size_t size, const char* src) {
  if (!dst || size == 0) return false;
  if (!src) src = "";
  std::size_t len = std::strlen(src);
  bool fits = len < size;
  std::size_t n = fits ? len : size - 1;
  std::memcpy(dst, src, n);
  dst[n] = '\0';
  return fits;
}

namespace {
// Length of the placeholder at `p` ("%s", "%lu", ...), 0 when there is none.
std::size_t PlaceholderLength(const char* p) {
  if (p[0] != '%') return 0;
  const std::size_t conversion = (p[1] == 'l') ? 2 : 1;
  const char kind = p[conversion];
  return (kind == 's' || kind == 'd' || kind == 'u') ? conversion + 1 : 0;
}
}  // namespace

std::string FillPlaceholders(const char* pattern, const std::vector<std::string>& values) {
  std::string out;
  if (!pattern) return out;
  std::size_t next = 0;
  for (const char* c = pattern; *c;) {
    if (c[0] == '%' && c[1] == '%') {
      out += '%';
      c += 2;
      continue;
    }
    const std::size_t length = PlaceholderLength(c);
    if (length && next < values.size()) {
      out += values[next++];
      c += length;
    } else {
      out += *c++;
    }
  }
  return out;
}

std::string ElideMiddle(const std::string& text, std::size_t maxChars) {
  const char kDots[] = "...";
  const std::size_t dots = sizeof(kDots) - 1;
  if (text.size() <= maxChars) return text;
  if (maxChars <= dots) return text.substr(0, maxChars);
  const std::size_t head = (maxChars - dots) / 2;
  const std::size_t tail = maxChars - dots - head;
  return text.substr(0, head) + kDots + text.substr(text.size() - tail);
}

}  // namespace vq
