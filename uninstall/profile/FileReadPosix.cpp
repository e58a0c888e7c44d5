// Whole-file reading for the native build (tools and tests on Linux).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "uninstall/profile/IniFile.h"

namespace vq {

bool ReadWholeFileExclusive(const std::string& path, std::string& content) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
  if (ok) {
    content.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < content.size()) {
      ssize_t n = ::read(fd, &content[done], content.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    content.resize(done);
    ok = done > 0;
  }
  ::close(fd);
  return ok;
}

}  // namespace vq
