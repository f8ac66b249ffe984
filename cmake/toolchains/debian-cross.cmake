# Cross build with Debian's multiarch toolchain: the compiler is <triplet>-g++ from
# crossbuild-essential-<arch>, the target's libraries are the :<arch> development packages in
# /usr/lib/<triplet>, and Qt's host tools (moc, uic, rcc) stay the native ones in /usr. Included by
# one file per architecture, which sets CE_MOLV_TRIPLET and the processor.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${CE_MOLV_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${CE_MOLV_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${CE_MOLV_TRIPLET})

# Only the target's libraries: /usr/lib/<triplet> is searched, never the build machine's.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${CE_MOLV_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# Debian 12's libzint cannot be installed beside the build machine's (it is not multiarch), so
# scripts/install-cross.sh unpacks the target's package here instead.
set(CE_MOLV_CROSS_OVERLAY /opt/ce-molv-cross/${CE_MOLV_TRIPLET})
list(APPEND CMAKE_INCLUDE_PATH ${CE_MOLV_CROSS_OVERLAY}/usr/include)
list(APPEND CMAKE_LIBRARY_PATH ${CE_MOLV_CROSS_OVERLAY}/usr/lib)

# Programs built here run on the target's instructions under qemu-user: the tests, the build-time
# resource tools and the manual pages' --help.
find_program(CE_MOLV_QEMU qemu-${CE_MOLV_QEMU_ARCH}-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CE_MOLV_QEMU})
