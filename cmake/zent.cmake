# zent_shared_library(<name> SOURCES <files...>)
# A shared library whose only visible symbols are its published exports (cmake/exports.map).
function(zent_shared_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
    add_library(${name} SHARED ${ARG_SOURCES})
    set(map ${PROJECT_SOURCE_DIR}/cmake/exports.map)
    target_link_options(${name} PRIVATE "LINKER:--version-script=${map}")
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${map})
endfunction()

# zent_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest program per folder's tests; every case is registered with CTest.
function(zent_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
