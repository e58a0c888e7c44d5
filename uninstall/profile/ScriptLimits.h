// Buffer sizes the script reader fetches sections with. They bound what one
// section can contribute: a starter section's entries, each with its zero,
// plus a final zero must stay below 260 bytes; a category section's below 4096.
// Entries past the limit are dropped (unmcheck --lint names them).
#pragma once

#include <cstddef>

namespace vq {

constexpr std::size_t kStarterSectionBuffer = 260;
constexpr std::size_t kCategorySectionBuffer = 4096;

// The four starter sections, in the order they are read.
constexpr int kStarterSectionCount = 4;
extern const char* const kStarterSections[kStarterSectionCount];
// "DeleteIni" ... "Directorys": the section suffix of each script category.
const char* CategorySuffix(int scriptCategoryIndex);

}  // namespace vq
