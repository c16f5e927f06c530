# Shared helpers for the per-folder targets. Sources are globbed so adding a file needs no edit here.

set(MIVORA_WARNINGS -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wpedantic)

function(mivora_warnings target)
    target_compile_options(${target} PRIVATE ${MIVORA_WARNINGS})
    if(MIVORA_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# mivora_library(name dir deps...): static library mivora_<name> from dir/*.cpp, public include root src/.
function(mivora_library name dir)
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.h)
    if(NOT srcs)
        # A layer with headers only so far.
        add_library(mivora_${name} INTERFACE)
        target_include_directories(mivora_${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
        target_link_libraries(mivora_${name} INTERFACE ${ARGN})
        return()
    endif()
    add_library(mivora_${name} STATIC ${srcs} ${hdrs})
    target_include_directories(mivora_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(mivora_${name} PUBLIC ${ARGN})
    mivora_warnings(mivora_${name})
endfunction()

# mivora_test_suite(name dir deps...): one GoogleTest executable from dir/*.cpp, registered with ctest.
function(mivora_test_suite name dir)
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    if(NOT srcs)
        return()
    endif()
    add_executable(test_${name} ${srcs})
    target_link_libraries(test_${name} PRIVATE mivora_testsupport ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_definitions(test_${name} PRIVATE
        MIVORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}" MIVORA_BIN_DIR="${MIVORA_BIN_DIR}")
    mivora_warnings(test_${name})
    add_dependencies(test_${name} mivora_data)
    # Tests never touch the desktop's pointer settings and never need a display.
    gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 120 PROPERTIES LABELS ${name}
        ENVIRONMENT "MIVORA_POINTER_SETTINGS=none;QT_QPA_PLATFORM=offscreen")
endfunction()
