// A symbolic link at a path of the user's choosing to the printer's pty, so that programs can be
// set up once while the pty's own name changes from run to run. Only what is plainly this
// program's is ever replaced or removed: a link to a pty that no longer exists (left by a run
// that did not end cleanly) is replaced; a link to a pty in use, most likely another printer's,
// and anything that is not a link are refused; and at the end the path goes only while it is
// still this link.
#pragma once

#include <string>

namespace emu {

class LinkPath {
  public:
    LinkPath() = default;
    ~LinkPath() { Remove(); }
    LinkPath(const LinkPath&) = delete;
    LinkPath& operator=(const LinkPath&) = delete;

    // False with the reason (naming the process that holds the pty, when it can be found).
    bool Make(const std::string& path, const std::string& device, std::string* error);
    void Remove();
    bool Made() const { return !m_path.empty(); }

  private:
    std::string m_path;
    std::string m_device;
};

// The process holding the master side of /dev/pts/N ("PID (NAME)"), or "" when none is found.
std::string PtyHolder(const std::string& device);

}  // namespace emu
