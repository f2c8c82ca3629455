# Shared helpers for the subsystem libraries, the tests and the benchmarks.

# velmora_library(NAME SOURCES... [LIBS...]) builds one static library of a
# subsystem with the repository root on the include path.
function(velmora_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    velmora_warnings(${name})
endfunction()

function(velmora_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()

# velmora_subsystem(NAME LIBS...) builds the library of the current folder
# from every source in it, so parallel work on one folder never fights over
# a source list.
function(velmora_subsystem name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
         "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
    if(sources)
        velmora_library(${name} SOURCES ${sources} LIBS ${ARG_LIBS})
    else()
        # A folder without code yet still gives its dependents something to link.
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    endif()
endfunction()

# velmora_tests_in_folder(LIBS...) makes one test of every tst_*.cpp in the
# current folder; other sources there are shared helpers linked into each.
function(velmora_tests_in_folder)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB tests CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp")
    file(GLOB helpers CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp"
         "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
    list(FILTER helpers EXCLUDE REGEX "/tst_[^/]*\\.cpp$")
    foreach(test ${tests})
        get_filename_component(name "${test}" NAME_WE)
        velmora_add_test(${name} SOURCES "${test}" ${helpers} LIBS ${ARG_LIBS})
    endforeach()
endfunction()

# velmora_benches_in_folder(LIBS...) makes one benchmark of every bench_*.cpp.
function(velmora_benches_in_folder)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB benches CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/bench_*.cpp")
    foreach(bench ${benches})
        get_filename_component(name "${bench}" NAME_WE)
        velmora_add_bench(${name} SOURCES "${bench}" LIBS ${ARG_LIBS})
    endforeach()
endfunction()

# velmora_add_test(NAME SOURCES... LIBS...) adds one QtTest executable run
# headless through CTest.
function(velmora_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}")
    velmora_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=*.debug=false"
        TIMEOUT ${ARG_TIMEOUT})
endfunction()

# velmora_add_bench(NAME SOURCES... LIBS...) adds a benchmark run by
# `make bench` (CTest label "bench"), never by `make test`.
function(velmora_add_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}")
    velmora_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        LABELS bench
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
        TIMEOUT 1800)
endfunction()

# Adds every CMakeLists-bearing child folder of the current folder.
function(velmora_add_child_folders)
    file(GLOB children LIST_DIRECTORIES true RELATIVE "${CMAKE_CURRENT_SOURCE_DIR}"
         "${CMAKE_CURRENT_SOURCE_DIR}/*")
    foreach(child ${children})
        if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt")
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()
