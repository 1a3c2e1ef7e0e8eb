// SPDX-License-Identifier: Apache-2.0
// A fresh folder under the system's temporary folder for one test, removed with all it
// holds; and whole-file reads and writes for looking at what the code under test saved.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <system_error>

namespace tagline::test {

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "tagline") {
    // What mkdtemp does, with the standard library only so that the Windows build has it
    // too: create_directory fails on a name that exists, so a folder made is ours alone.
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; !ec && attempt < 100; ++attempt) {
      const std::string name = prefix + "-" + std::to_string(random() % 1000000000u);
      const fs::path candidate = base / name;
      if (fs::create_directory(candidate, ec) && !ec) {
        fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
        path_ = candidate.string();
        return;
      }
      ec.clear();
    }
  }
  ~TempDir() {
    if (path_.empty()) return;
    // Folders a test made read-only would keep their entries from being removed.
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
      }
    }
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::size_t EntryCount(const std::string& folder = {}) const {
    const std::string where = folder.empty() ? path_ : File(folder);
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(where), {}));
  }

 private:
  std::string path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace tagline::test
