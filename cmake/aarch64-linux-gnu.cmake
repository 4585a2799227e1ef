# Cross-compiles for 64-bit Arm Linux with Debian's cross toolchain
# (crossbuild-essential-arm64) against the multiarch :arm64 -dev packages
# (scripts/install-deps --arm64). Test binaries run under qemu-aarch64.
#
#   cmake -S . -B build-arm64 -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(QUILLBOX_TARGET_TRIPLET aarch64-linux-gnu)

set(CMAKE_C_COMPILER ${QUILLBOX_TARGET_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${QUILLBOX_TARGET_TRIPLET}-g++)
set(CMAKE_AR ${QUILLBOX_TARGET_TRIPLET}-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${QUILLBOX_TARGET_TRIPLET}-ranlib CACHE FILEPATH "Ranlib")
set(CMAKE_STRIP ${QUILLBOX_TARGET_TRIPLET}-strip CACHE FILEPATH "Strip")

# Libraries, headers and CMake packages live in the multiarch folders
# (/usr/lib/aarch64-linux-gnu, /usr/include/aarch64-linux-gnu), which the
# library architecture adds to every search; the cross toolchain's own
# runtime is under /usr/aarch64-linux-gnu. Programs (pkg-config, qemu) are
# the build machine's.
set(CMAKE_LIBRARY_ARCHITECTURE ${QUILLBOX_TARGET_TRIPLET})
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLBOX_TARGET_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Never fall back to the build machine's x86-64 libraries: a find module
# that took one would fail much later with a misleading error.
set(CMAKE_IGNORE_PATH
  /lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu
  /usr/include/x86_64-linux-gnu
  /usr/lib/x86_64-linux-gnu/cmake /usr/lib/x86_64-linux-gnu/pkgconfig)

# pkg-config (used by FindCURL and others) must read the aarch64 .pc files
# only, never the build machine's own.
set(ENV{PKG_CONFIG_LIBDIR}
  "/usr/lib/${QUILLBOX_TARGET_TRIPLET}/pkgconfig:/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Test binaries (and gtest discovery) run through the emulator. No -L: the
# loader and libc come from the multiarch libc6:arm64 package, at the
# standard /lib/ld-linux-aarch64.so.1.
find_program(QUILLBOX_QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLBOX_QEMU_AARCH64})
