# The update server's address is built into the host as dotted-decimal text. These functions
# accept exactly the texts the host reads (src/startscreen/dotted_quad.h): four decimal numbers
# from 0 to 255 joined by dots, with no sign, no space and no leading zero.

# Sets result to TRUE or FALSE.
function(tidemarch_is_dotted_quad result text)
    set(number "(0|[1-9][0-9]?[0-9]?)")
    set(ok FALSE)
    if("${text}" MATCHES "^${number}\\.${number}\\.${number}\\.${number}$")
        set(octets ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4})
        set(ok TRUE)
        foreach(octet IN LISTS octets)
            if(octet GREATER 255)
                set(ok FALSE)
            endif()
        endforeach()
    endif()
    set(${result} ${ok} PARENT_SCOPE)
endfunction()

# Stops the configuration with a message naming the variable when its value is no such address.
function(tidemarch_require_dotted_quad variable)
    tidemarch_is_dotted_quad(ok "${${variable}}")
    if(NOT ok)
        message(FATAL_ERROR "${variable} must be an IPv4 address in dotted decimal: four numbers "
            "from 0 to 255 joined by dots, without leading zeros or spaces (for example "
            "192.168.0.10); it is '${${variable}}'")
    endif()
endfunction()
