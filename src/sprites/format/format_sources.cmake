# The sprite format code that needs nothing but the standard library: the records, the parser,
# pixel checks and conversion, the document reader and writer. Listed here once for the
# library below and for the stand-alone build of the sprite tool.
set(TIDEMARCH_SPRITE_FORMAT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/sprite_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/stored_pixels.cpp
    ${CMAKE_CURRENT_LIST_DIR}/bgr_rows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/byte_source.cpp
    ${CMAKE_CURRENT_LIST_DIR}/load_failure.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sprite_file_parser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sprite_document.cpp
)
