; The installer's own texts in its language (Russian or English; NSIS gives the rest). Language id
; 0 is the language loaded last, the build's.
!if "${LANGUAGE}" == "Russian"
LangString DesktopShortcutSection 0 "Ярлык на рабочем столе"
LangString DesktopShortcutDescription 0 "Ярлык ${GAME_NAME} на рабочем столе."
LangString FolderNotEmpty 0 "Папка $INSTDIR не пуста. Программа удаления удалит файлы из папки игры, поэтому выберите новую или пустую папку."
LangString NotInstalledHere 0 "${GAME_NAME} не установлена в папке $INSTDIR."
!else
LangString DesktopShortcutSection 0 "Desktop shortcut"
LangString DesktopShortcutDescription 0 "A shortcut to ${GAME_NAME} on the desktop."
LangString FolderNotEmpty 0 "The folder $INSTDIR is not empty. The uninstaller removes the files in the game's folder, so choose a new or empty folder."
LangString NotInstalledHere 0 "${GAME_NAME} is not installed in $INSTDIR."
!endif
