# Tests of the Windows build that run outside the test programs: the installer and the archive
# under Wine, and the tuner itself under Wine on Xvfb. Included by tests/CMakeLists.txt in the
# cross build.

# package.windows.package makes the installer and the zip that the other two read.
foreach(check package zip installer)
    add_test(NAME package.windows.${check}
        COMMAND ${CMAKE_CURRENT_LIST_DIR}/package/windows_package_test.sh ${check})
    set_tests_properties(package.windows.${check} PROPERTIES LABELS package TIMEOUT 300
        SKIP_RETURN_CODE 77
        ENVIRONMENT "BUILD_DIR=${PROJECT_BINARY_DIR};SOURCE_DIR=${PROJECT_SOURCE_DIR};WORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/package-windows;PACKAGE_VERSION=${PROJECT_VERSION}")
endforeach()
set_tests_properties(package.windows.package PROPERTIES FIXTURES_SETUP quintor_windows_packages)
set_tests_properties(package.windows.zip package.windows.installer
    PROPERTIES FIXTURES_REQUIRED quintor_windows_packages)

# The tuner itself under Wine: GO, an A string heard in tune, closed cleanly.
add_test(NAME endtoend.wine COMMAND ${CMAKE_CURRENT_LIST_DIR}/endtoend/wine_endtoend_test.sh)
set_tests_properties(endtoend.wine PROPERTIES LABELS endtoend TIMEOUT 300 SKIP_RETURN_CODE 77
    # Real-time sound on two shared cores: nothing beside it.
    RUN_SERIAL TRUE
    ENVIRONMENT "PROGRAM=$<TARGET_FILE:quintor>;SOURCE_DIR=${PROJECT_SOURCE_DIR};WORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/endtoend-wine")

# The runner itself: statuses and output passed through.
add_test(NAME wine.runner COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine/runner_test.sh ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(wine.runner PROPERTIES LABELS wine TIMEOUT 120 SKIP_RETURN_CODE 77)
