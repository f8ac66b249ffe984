// A fresh directory under $TMPDIR (or /tmp) for one test, removed with everything in it.
// Path() is empty when the directory could not be made.
#pragma once

#include <filesystem>

namespace testsupport {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

  private:
    std::filesystem::path m_path;
};

}  // namespace testsupport
