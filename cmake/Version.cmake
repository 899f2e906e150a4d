# The program's version is project()'s and is written nowhere else: the resource script's version
# block takes it from version.h, generated here (include QUINTOR_VERSION_INCLUDE_DIR when
# compiling the script), and the version.Consistent test checks the texts that must state it.
set(QUINTOR_VERSION_INCLUDE_DIR ${PROJECT_BINARY_DIR}/version)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${QUINTOR_VERSION_INCLUDE_DIR}/version.h @ONLY)
