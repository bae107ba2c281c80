# Every library sees the folders of the libraries it links and its own, nothing else: each gets
# an include folder of its own in the build tree holding one link to its source folder (the
# virtual include folders of Bazel), and passes it on to what links it. An include from a folder
# whose library is not linked, such as one that goes up a layer, then fails to build.
#   tidemarch_library(<name> FOLDER <folder under src> [SOURCES ...])
# TIDEMARCH_SOURCE_ROOT names the tree whose src/ holds the folders (this project's by default;
# the update server's own build points it at the project it comes from).
# A library without sources is header-only.
if(NOT DEFINED TIDEMARCH_SOURCE_ROOT)
    set(TIDEMARCH_SOURCE_ROOT ${PROJECT_SOURCE_DIR})
endif()

function(tidemarch_library name)
    cmake_parse_arguments(L "" "FOLDER" "SOURCES" ${ARGN})
    if(NOT L_FOLDER)
        message(FATAL_ERROR "tidemarch_library(${name}): FOLDER is required")
    endif()
    set(root ${CMAKE_BINARY_DIR}/include/${name})
    set(link ${root}/${L_FOLDER})
    get_filename_component(parent ${link} DIRECTORY)
    # A build tree made when the library's folder was one level higher holds a link where
    # the folder now nests.
    if(IS_SYMLINK ${parent})
        file(REMOVE ${parent})
    endif()
    file(MAKE_DIRECTORY ${parent})
    if(NOT IS_SYMLINK ${link})
        file(CREATE_LINK ${TIDEMARCH_SOURCE_ROOT}/src/${L_FOLDER} ${link} SYMBOLIC)
    endif()
    if(L_SOURCES)
        add_library(${name} STATIC ${L_SOURCES})
        target_include_directories(${name} PUBLIC ${root})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${root})
    endif()
endfunction()
