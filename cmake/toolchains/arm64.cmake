# arm64 (AArch64) panel PCs and boards: Cortex-A53/A55/A72.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CE_MOLV_TRIPLET aarch64-linux-gnu)
set(CE_MOLV_QEMU_ARCH aarch64)
set(CE_MOLV_DEB_ARCH arm64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
