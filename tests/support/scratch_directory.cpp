// Scratch directories with std::filesystem, the same on POSIX and on Windows.
#include "tests/support/scratch_directory.h"

#include <algorithm>
#include <random>
#include <stdexcept>
#include <system_error>

namespace rozovevi::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 100;
constexpr int kRandomLetters = 8;

PathText Text(const fs::path& path) {
#ifdef _WIN32
  return path.u16string();
#else
  return path.string();
#endif
}

// A test may have taken the owner's rights away (a read-only file, a directory without write
// permission); give them back everywhere so that the removal can go in.
void RestoreOwnerRights(const fs::path& directory) {
  std::error_code ignored;
  fs::permissions(directory, fs::perms::owner_all, fs::perm_options::add, ignored);
  for (fs::recursive_directory_iterator entry(directory, ignored), end; entry != end;
       entry.increment(ignored)) {
    if (entry->is_symlink(ignored)) continue;  // The rights would change the link's target.
    fs::permissions(entry->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
}

}  // namespace

ScratchDirectory::ScratchDirectory(std::string_view prefix) {
  static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::mt19937_64 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
  const fs::path temporary = fs::temp_directory_path();
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name(prefix);
    for (int i = 0; i < kRandomLetters; ++i) name.push_back(kLetters[pick(random)]);
    fs::path candidate = temporary / name;
    // Fails (returns false) when the name is taken, so no two directories are shared.
    if (fs::create_directory(candidate)) {
      directory_ = std::move(candidate);
      path_ = Text(directory_);
      return;
    }
  }
  throw std::runtime_error("cannot create a scratch directory in " + temporary.string());
}

ScratchDirectory::~ScratchDirectory() {
  // Nothing useful can be done about a failed clean-up.
  RestoreOwnerRights(directory_);
  std::error_code ignored;
  fs::remove_all(directory_, ignored);
}

PathText ScratchDirectory::operator/(const PathText& name) const {
  // Joined as text, so that the name reaches the code under test exactly as given.
#ifdef _WIN32
  return path_ + u'\\' + name;
#else
  return path_ + '/' + name;
#endif
}

std::vector<PathText> ScratchDirectory::Names() const {
  std::vector<PathText> names;
  for (const auto& entry : fs::directory_iterator(directory_)) {
    names.push_back(Text(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace rozovevi::testing
