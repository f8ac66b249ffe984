#include "tests/support/TempDir.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace testsupport {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/ce_molv_test.XXXXXX";
    char* made = mkdtemp(pattern.data());
    if (made) m_path = made;
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
}

}  // namespace testsupport
