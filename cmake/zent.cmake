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

# zent_published_library(<name> CORE <static-core> HEADER <chief-header>)
# The shared library <name> made of the whole static archive <static-core>, exporting only the
# published names. Tests link the core to reach internals; the sources compile once. The shared
# library carries the core's include folders and link interface on to its users.
function(zent_published_library name)
    cmake_parse_arguments(ARG "" "CORE;HEADER" "" ${ARGN})
    zent_shared_library(${name} SOURCES ${ARG_HEADER})
    set_target_properties(${name} PROPERTIES LINKER_LANGUAGE CXX)
    target_link_libraries(${name} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${ARG_CORE}>")
    target_include_directories(${name}
                               PUBLIC $<TARGET_PROPERTY:${ARG_CORE},INTERFACE_INCLUDE_DIRECTORIES>)
    get_target_property(deps ${ARG_CORE} INTERFACE_LINK_LIBRARIES)
    if(deps)
        target_link_libraries(${name} PUBLIC ${deps})
    endif()
endfunction()

# Vector sources built for one instruction-set level (files ending in _avx2 or _avx512, picked at
# run time by color/engine/isa.cpp): x86-64 only, each level with the options of the
# instructions that file checks for.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
    set(ZENT_X86 ON)
endif()
set(ZENT_AVX2_OPTIONS -mavx2)
set(ZENT_AVX512_OPTIONS -mavx512f -mavx512bw -mavx512vl -mavx512vbmi)
