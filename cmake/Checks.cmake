# Checks of the tree and of the installed program, run by ctest beside the unit tests.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# The engine may not include the Qt modules that need a desktop.
set(vemra_desktop_headers)
foreach(module Widgets PrintSupport)
    get_target_property(dirs Qt6::${module} INTERFACE_INCLUDE_DIRECTORIES)
    list(FILTER dirs INCLUDE REGEX "/Qt${module}$")
    list(APPEND vemra_desktop_headers ${dirs})
endforeach()
add_test(NAME layers
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/scripts/check_layers.py
            ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/libraries.txt ${vemra_desktop_headers})
# The check itself must find each way a layer was once broken unseen.
add_test(NAME layers_selftest COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/scripts/test_check_layers.py)

find_program(VEMRA_CLANG_FORMAT clang-format REQUIRED)
add_test(NAME format COMMAND ${CMAKE_SOURCE_DIR}/scripts/check_format ${VEMRA_CLANG_FORMAT})

if(TARGET vemra)
    add_test(NAME install
        COMMAND ${CMAKE_SOURCE_DIR}/scripts/check_install ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/install-check)
    set_tests_properties(install PROPERTIES TIMEOUT 600)
endif()
