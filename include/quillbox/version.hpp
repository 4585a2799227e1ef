#pragma once
/// @file
/// The SDK's version. This is the one place it is written: the build reads it
/// from here for CMake's project version, the shared library's file names,
/// the CMake package and pkg-config files and the Debian packages.
///
/// The macros give the version of the headers a program was compiled with;
/// quillbox::version() gives the version of the library it runs with. The two
/// differ only when the shared library was replaced after the program was built.

/// Major version: a change breaks source or binary compatibility.
#define QUILLBOX_VERSION_MAJOR 0
/// Minor version: additions; a program built against an older minor still works.
#define QUILLBOX_VERSION_MINOR 1
/// Patch version: fixes only.
#define QUILLBOX_VERSION_PATCH 0

/// Turns a macro's value into a string literal (a helper of QUILLBOX_VERSION_STRING).
#define QUILLBOX_STRINGIFY(x) QUILLBOX_STRINGIFY_TEXT(x)
/// Turns its argument, as written, into a string literal (a helper of QUILLBOX_STRINGIFY).
#define QUILLBOX_STRINGIFY_TEXT(x) #x

/// The version as the literal "MAJOR.MINOR.PATCH".
#define QUILLBOX_VERSION_STRING                                                    \
  QUILLBOX_STRINGIFY(QUILLBOX_VERSION_MAJOR) "." QUILLBOX_STRINGIFY(QUILLBOX_VERSION_MINOR) "." \
      QUILLBOX_STRINGIFY(QUILLBOX_VERSION_PATCH)

/// The version as one integer that orders like the version:
/// MAJOR * 10000 + MINOR * 100 + PATCH, e.g. `#if QUILLBOX_VERSION >= 200`.
#define QUILLBOX_VERSION (QUILLBOX_VERSION_MAJOR * 10000 + QUILLBOX_VERSION_MINOR * 100 + QUILLBOX_VERSION_PATCH)

namespace quillbox {

/// The version of the library the program runs with, as "MAJOR.MINOR.PATCH".
/// Equal to QUILLBOX_VERSION_STRING unless the shared library was replaced
/// after the program was built. Any thread.
const char* version() noexcept;

}  // namespace quillbox
