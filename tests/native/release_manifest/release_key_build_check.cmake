# The build's reading of the release key (cmake/ReleaseKey.cmake), each case in a cmake process of
# its own: the test key's point is built in; a private key, an RSA key, a P-384 key and a missing
# file stop the configuration with a message.
#   cmake -DMODULE=cmake/ReleaseKey.cmake -DKEYS=tests/fixtures/release_keys -DWORK=dir -P this
if(CASE)
    include(${MODULE})
    tidemarch_release_key_source(${WORK}/key.cpp "${CASE}")
    return()
endif()

file(MAKE_DIRECTORY ${WORK})
find_program(OPENSSL openssl REQUIRED)
execute_process(COMMAND ${OPENSSL} genrsa -out ${WORK}/rsa.pem 2048 ERROR_QUIET)
execute_process(COMMAND ${OPENSSL} pkey -in ${WORK}/rsa.pem -pubout -out ${WORK}/rsa_public.pem)
execute_process(COMMAND ${OPENSSL} ecparam -name secp384r1 -genkey -noout -out ${WORK}/p384.pem)
execute_process(COMMAND ${OPENSSL} pkey -in ${WORK}/p384.pem -pubout -out ${WORK}/p384_public.pem)

function(run_case pem expect_ok expected)
    execute_process(COMMAND ${CMAKE_COMMAND} -DMODULE=${MODULE} -DWORK=${WORK} -DCASE=${pem} -P ${CMAKE_CURRENT_LIST_FILE}
        RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(expect_ok AND failed)
        message(FATAL_ERROR "${pem}: refused: ${err}")
    endif()
    if(NOT expect_ok AND NOT failed)
        message(FATAL_ERROR "${pem}: accepted")
    endif()
    string(REPLACE "\n" " " text "${out}${err}")
    string(REGEX REPLACE " +" " " text "${text}")
    if(expect_ok)
        file(READ ${WORK}/key.cpp text)
    endif()
    if(NOT text MATCHES "${expected}")
        message(FATAL_ERROR "${pem}: expected '${expected}' in: ${text}")
    endif()
endfunction()

# The first and last bytes of the test key's point (openssl pkey -pubin -outform DER).
run_case(${KEYS}/test_release_public.pem TRUE "ReleasePublicKey{{0x12, 0x1a, 0x3c,.* 0x1f, 0x4d, 0xd1, 0x2a}}")
run_case(${KEYS}/test_release_private.pem FALSE "is not a public key in PEM form")
run_case(${WORK}/rsa_public.pem FALSE "not one of the curve P-256")
run_case(${WORK}/p384_public.pem FALSE "not one of the curve P-256")
run_case(${WORK}/missing.pem FALSE "does not exist")
message(STATUS "release key build check passed")
