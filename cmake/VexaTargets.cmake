# Shared helpers: warnings for our own targets and one test binary per test folder.

function(vexa_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# vexa_layer(NAME dir [EXCLUDE regex] [LINKS ...]): a static library from every .cpp below dir.
function(vexa_layer name dir)
    cmake_parse_arguments(A "" "EXCLUDE" "LINKS" ${ARGN})
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    if(A_EXCLUDE)
        list(FILTER srcs EXCLUDE REGEX "${A_EXCLUDE}")
    endif()
    list(FILTER srcs INCLUDE REGEX "\\.cpp$|\\.h$")
    set(cpps ${srcs})
    list(FILTER cpps INCLUDE REGEX "\\.cpp$")
    if(NOT cpps)
        # A layer with nothing built yet still carries its include path and links.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE ${A_LINKS})
        return()
    endif()
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${A_LINKS})
    vexa_warnings(${name})
endfunction()

# vexa_test(NAME dir LINKS ...): one GoogleTest binary from every .cpp in dir.
function(vexa_test name dir)
    cmake_parse_arguments(A "" "" "LINKS" ${ARGN})
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
    if(NOT srcs)
        return()
    endif()
    add_executable(${name} ${srcs})
    target_link_libraries(${name} PRIVATE ${A_LINKS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${CMAKE_BINARY_DIR}/generated ${dir})
    vexa_warnings(${name})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# vexa_embed_text(target file function header): compiles the bytes of `file` into `target`
# as `std::string_view vexa::function()` (declared in `header`), regenerated when it changes.
function(vexa_embed_text target file function header)
    get_filename_component(stem ${file} NAME_WE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/generated/${stem}_data.cpp)
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${out} -DFUNCTION=${function}
            -DHEADER=${header} -P ${CMAKE_SOURCE_DIR}/cmake/EmbedText.cmake
        DEPENDS ${file} ${CMAKE_SOURCE_DIR}/cmake/EmbedText.cmake
        COMMENT "Compiling in ${stem}"
        VERBATIM)
    target_sources(${target} PRIVATE ${out})
endfunction()
