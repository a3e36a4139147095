#pragma once
// Whether two names reach the same file. Files that exist are compared by
// device and inode, so `./x.avi`, `a/../x.avi`, a symbolic link and a hard
// link all name x.avi; a name that does not exist yet is compared by its
// absolute, normalised path (with the links of its folders resolved). This
// is the one check behind "an output must not be one of the inputs".

#include <optional>
#include <string>
#include <vector>

bool IsSameFile(const std::string& a, const std::string& b);

// The first of `inputs` that names the same file as `output`; none for an
// empty output. Empty input names are skipped.
std::optional<std::string> FindSameFile(const std::string& output, const std::vector<std::string>& inputs);
