# 32-bit ARM with hardware floating point (Debian armhf: ARMv7-A, Thumb-2, VFPv3-D16).
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CE_MOLV_TRIPLET arm-linux-gnueabihf)
set(CE_MOLV_QEMU_ARCH arm)
set(CE_MOLV_DEB_ARCH armhf)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
