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

include(${CMAKE_CURRENT_LIST_DIR}/TidemarchLibrary.cmake)

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
