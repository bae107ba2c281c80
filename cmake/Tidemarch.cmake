# Compiler settings shared by every target of the project.

add_compile_options(-Wall -Wextra)

if(WIN32)
    # The product is a 32-bit x86 executable that must run with no DLL beside it.
    # SSE2 is the baseline of the fast pixel paths. Callers from other compilers (the game
    # module, the platform's callbacks) may enter with a 4-byte aligned stack, so functions
    # that need more realign it themselves.
    add_compile_options(-msse2 -mfpmath=sse -mincoming-stack-boundary=2)
    add_link_options(-static -static-libgcc -static-libstdc++)
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
else()
    add_compile_options(-msse2)
endif()

if(TIDEMARCH_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Every library sees the folders of the libraries it links and its own, nothing else: each gets
# an include folder of its own in the build tree holding one link to its source folder (the
# virtual include folders of Bazel), and passes it on to what links it. An include from a folder
# whose library is not linked, such as one that goes up a layer, then fails to build.
#   tidemarch_library(<name> FOLDER <folder under src> [SOURCES ...])
# A library without sources is header-only.
function(tidemarch_library name)
    cmake_parse_arguments(L "" "FOLDER" "SOURCES" ${ARGN})
    if(NOT L_FOLDER)
        message(FATAL_ERROR "tidemarch_library(${name}): FOLDER is required")
    endif()
    set(root ${CMAKE_BINARY_DIR}/include/${name})
    set(link ${root}/${L_FOLDER})
    get_filename_component(parent ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT IS_SYMLINK ${link})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${L_FOLDER} ${link} SYMBOLIC)
    endif()
    if(L_SOURCES)
        add_library(${name} STATIC ${L_SOURCES})
        target_include_directories(${name} PUBLIC ${root})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${root})
    endif()
endfunction()

# A library of the portable core: it never includes a Windows header, on any build.
function(tidemarch_portable_library name)
    tidemarch_library(${name} ${ARGN})
endfunction()

if(TIDEMARCH_FUZZERS)
    # Everything in the fuzz tree is instrumented for coverage and checked by the sanitizers;
    # the harnesses themselves link with -fsanitize=fuzzer.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
