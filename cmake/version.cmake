# The one version of every program, manual page and package: project(VERSION)
# in the top-level CMakeLists.txt. C++ reads it as ht5530k::kVersion from
# "version/ht5530k_version.h"; a target gets that header by linking the
# INTERFACE library `version`.

configure_file(${CMAKE_CURRENT_LIST_DIR}/ht5530k_version.h.in
               ${PROJECT_BINARY_DIR}/generated/version/ht5530k_version.h @ONLY)
add_library(version INTERFACE)
target_include_directories(version INTERFACE ${PROJECT_BINARY_DIR}/generated)
