# Debian packages of the SDK, built with CPack from the install rules
# (`make package`). Four packages, one per group of install components:
#
#   libquillbox<major>   runtime: the shared library
#   libquillbox-dev      development: headers, static library, CMake package,
#                        pkg-config file, the shared library's link name
#   quillbox             command: the quillbox command (and anything installed
#                        without a component, such as its completion and man page)
#   quillbox-emulator    emulator: the quillbox-emulator server
#
# The programs are linked with the static library, so only the development
# package depends on the runtime one. dpkg-shlibdeps fills in the system
# libraries each package needs.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillbox)
set(CPACK_PACKAGE_VENDOR "Quillbox")
set(CPACK_PACKAGE_CONTACT "Quillbox SDK developers <sdk@quillbox.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "C++ SDK for the Quillbox cloud drive's open service")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)

set(QUILLBOX_RUNTIME_PACKAGE libquillbox${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${QUILLBOX_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libquillbox-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
# The static library and the CMake package's find_dependency calls need the
# development files of what the library is built on.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "${QUILLBOX_RUNTIME_PACKAGE} (= ${PROJECT_VERSION}), libcurl4-openssl-dev, libssl-dev, libboost-json1.81-dev")
set(CPACK_DEBIAN_COMMAND_PACKAGE_NAME quillbox)
set(CPACK_DEBIAN_COMMAND_PACKAGE_SECTION net)
set(CPACK_DEBIAN_EMULATOR_PACKAGE_NAME quillbox-emulator)
set(CPACK_DEBIAN_EMULATOR_PACKAGE_SECTION devel)

include(CPack)

cpack_add_component_group(runtime DISPLAY_NAME "Quillbox shared library"
  DESCRIPTION "The Quillbox SDK's shared library")
cpack_add_component_group(development DISPLAY_NAME "Quillbox development files"
  DESCRIPTION "Headers, static library, CMake package and pkg-config file of the Quillbox SDK")
cpack_add_component_group(command DISPLAY_NAME "quillbox command"
  DESCRIPTION "quillbox, a command-line client for the Quillbox cloud drive")
cpack_add_component_group(emulator DISPLAY_NAME "quillbox-emulator"
  DESCRIPTION "A local server that speaks the Quillbox open service, for development and tests")

cpack_add_component(runtime GROUP runtime)
cpack_add_component(development GROUP development)
cpack_add_component(command GROUP command)
cpack_add_component(Unspecified GROUP command)
cpack_add_component(emulator GROUP emulator)
