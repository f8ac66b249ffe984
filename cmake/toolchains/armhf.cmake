# 32-bit ARM with hardware floating point (Debian armhf: ARMv7-A, Thumb-2, VFPv3-D16).
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CE_MOLV_TRIPLET arm-linux-gnueabihf)
set(CE_MOLV_QEMU_ARCH arm)
set(CE_MOLV_DEB_ARCH armhf)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
# GCC notes, wherever a std::vector of an 8-byte-aligned type grows, that such arguments are
# passed differently since GCC 7.1; the program and its libraries all come from newer compilers,
# so the notes only bury the build's output.
string(APPEND CMAKE_CXX_FLAGS_INIT " -Wno-psabi")
