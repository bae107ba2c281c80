# What the player sees of the build: the game's name (the installer, its shortcuts and uninstall
# entry, the executable's version information) and the installer's language. The version is the
# top-level project's (PROJECT_VERSION).
set(TIDEMARCH_GAME_NAME "Tidemarch" CACHE STRING
    "The game's name in the installer, its shortcuts, the uninstall entry and the version information")
set(TIDEMARCH_INSTALLER_LANGUAGE "Russian" CACHE STRING
    "The installer's language, an NSIS language name (English, Russian, German, ...)")
if(TIDEMARCH_GAME_NAME STREQUAL "" OR TIDEMARCH_GAME_NAME MATCHES "[\\\\/:*?\"<>|]")
    message(FATAL_ERROR "TIDEMARCH_GAME_NAME \"${TIDEMARCH_GAME_NAME}\" must be a non-empty name that a "
                        "Windows file name can hold (no \\ / : * ? \" < > |)")
endif()

# The player's download (made by download/, tested by tests/e2e): a zip and an installer.
set(TIDEMARCH_DOWNLOAD_NAME ${TIDEMARCH_GAME_NAME}-${PROJECT_VERSION})
set(TIDEMARCH_DOWNLOAD_DIR ${CMAKE_BINARY_DIR}/dist)
set(TIDEMARCH_DOWNLOAD_ZIP ${TIDEMARCH_DOWNLOAD_DIR}/${TIDEMARCH_DOWNLOAD_NAME}.zip)
set(TIDEMARCH_DOWNLOAD_INSTALLER ${TIDEMARCH_DOWNLOAD_DIR}/${TIDEMARCH_DOWNLOAD_NAME}-setup.exe)
