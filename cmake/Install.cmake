# Install rules. `cmake --install` lays out one program folder at the prefix,
# because Kestrune keeps its data file, data.enc, beside the executable:
#
#   <prefix>/Kestrune           the program (Kestrune.exe on Windows)
#   <prefix>/Help.rtf           the help document
#   <prefix>/kestrune.png       the icon (kestrune.ico on Windows)
#   <prefix>/icons/             the icon in the smaller sizes of the desktop's menu (Linux)
#   <prefix>/add-to-menu.sh     puts Kestrune in the desktop's menu, or takes it out (Linux)
#   <prefix>/data.enc           made by the program at its first start, never installed
#
# Two components: "Program" is the folder above; "Menu" (Linux) runs the
# folder's add-to-menu.sh, which writes the desktop entry and the icons into
# the per-user data folder (XDG_DATA_HOME, by default ~/.local/share) of
# whoever runs the install. The release archive holds only "Program".

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  # A folder of the user's own, outside the source tree.
  if(WIN32)
    set(kestrune_default_prefix "$ENV{LOCALAPPDATA}/Programs/Kestrune")
  else()
    set(kestrune_default_prefix "$ENV{HOME}/.local/share/Kestrune")
  endif()
  file(TO_CMAKE_PATH "${kestrune_default_prefix}" kestrune_default_prefix)
  set(CMAKE_INSTALL_PREFIX "${kestrune_default_prefix}" CACHE PATH
      "The program folder: the program, Help.rtf, the icon and, later, data.enc" FORCE)
endif()

set(KESTRUNE_LINUX_DESKTOP OFF)
if(UNIX AND NOT APPLE)
  set(KESTRUNE_LINUX_DESKTOP ON)
endif()
option(KESTRUNE_INSTALL_MENU
       "Installing also puts Kestrune in the desktop's menu of the user who installs it"
       ${KESTRUNE_LINUX_DESKTOP})

install(TARGETS Kestrune RUNTIME DESTINATION . COMPONENT Program)
install(FILES ${PROJECT_SOURCE_DIR}/resources/Help.rtf DESTINATION . COMPONENT Program)

if(WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/images/kestrune.ico DESTINATION .
          COMPONENT Program)
else()
  install(FILES ${PROJECT_SOURCE_DIR}/resources/images/kestrune.png DESTINATION .
          COMPONENT Program)
endif()

if(KESTRUNE_LINUX_DESKTOP)
  foreach(size 16 32 48 64 128)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/images/kestrune-${size}.png
            DESTINATION icons COMPONENT Program)
  endforeach()
  configure_file(${PROJECT_SOURCE_DIR}/resources/add-to-menu.sh.in
                 ${PROJECT_BINARY_DIR}/add-to-menu.sh @ONLY)
  install(PROGRAMS ${PROJECT_BINARY_DIR}/add-to-menu.sh DESTINATION . COMPONENT Program)
endif()

if(KESTRUNE_LINUX_DESKTOP AND KESTRUNE_INSTALL_MENU)
  # The entry names the installed program by its absolute path. A staged
  # install (DESTDIR) is not where the program will run, so it has no entry.
  install(CODE [[
    if(DEFINED ENV{DESTDIR} AND NOT "$ENV{DESTDIR}" STREQUAL "")
      message(STATUS "Staged install (DESTDIR): no desktop menu entry")
    else()
      execute_process(COMMAND bash "${CMAKE_INSTALL_PREFIX}/add-to-menu.sh"
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()
  ]] COMPONENT Menu)
endif()
