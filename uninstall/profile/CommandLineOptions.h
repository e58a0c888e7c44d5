// CommandLineOptions: the switches of the tool's command line.
//
// A token starting with '/' or '-' is a switch; its name runs to the first
// colon outside double quotes and the rest is split at commas outside quotes
// into values (quotes kept). Other tokens, the program path among them, are
// ignored.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vq {

class CommandLineOptions {
 public:
  // The parse works on a copy of at most this many bytes, terminator included.
  static constexpr std::size_t kLineBufferSize = 4096;

  void Parse(const char* commandLine);

  // -1 when `name` is absent, else the number of values of its last occurrence.
  int Count(const std::string& name) const;

  // How many times `name` is given (0 when absent).
  int Occurrences(const std::string& name) const;

  // Whether an occurrence of `name` has a colon with nothing after it
  // ("/PRN:") or a value that is empty once its double quotes are removed
  // ("/MFG:\"\"", "/PRN:a,,b"). Such a switch reads as if it had no value,
  // or (MFG) as a prefix of every driver name.
  bool HasEmptyValue(const std::string& name) const;

  // Copies the values of every occurrence of `name` that carries values, in
  // command-line order, as zero-terminated texts followed by one more zero.
  // Succeeds only when all of that is shorter than `size`; otherwise nothing
  // is copied and the values count as absent.
  bool Values(const std::string& name, char* buffer, std::size_t size) const;

  // Whether the tool reads a switch of this name (without regard to case).
  static bool IsKnown(const std::string& name);

  // The name of the first switch given that the tool does not read into
  // `name`; false when it reads every switch given. A mistyped filter reads
  // as no filter at all, so the runs that act on the switches alone refuse
  // what this finds.
  bool FindUnknown(std::string& name) const;

  // Every switch as given: element 0 is the name, the rest its values.
  const std::vector<std::vector<std::string>>& Switches() const { return switches_; }

 private:
  std::vector<std::vector<std::string>> switches_;
  // For each switch of `switches_`: whether a colon followed its name.
  std::vector<bool> colons_;
};

}  // namespace vq
