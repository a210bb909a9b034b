# What a user downloads: CPack packs the programs registered in app/ with the guide.
#   Windows (cross builds): tq58pc-<version>-windows-x86.zip with every program, or
#   tq58pc-<version>-windows-x64.zip with the programs whose driver exists as a 64-bit DLL;
#   Linux: tq58pc_<version>_<arch>.deb with the Qt programs, their menu entries and the icon.
# Only the programs are installed: never a stand-in driver, a test or a drive program.

set(CPACK_PACKAGE_NAME tq58pc)
set(CPACK_PACKAGE_VENDOR "TQ58 PC")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Moves a TQ58 analyzer's data to the PC over GPIB")
# The package's maintainer; example.com stands until the team has an address of its own.
set(TQ58_MAINTAINER "TQ58 PC team <tq58pc@example.com>" CACHE STRING "Maintainer of the package")
set(CPACK_PACKAGE_CONTACT "${TQ58_MAINTAINER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build/;/\\\\.git")
set(tq58_guide_files ${TQ58_GUIDE_HTML} ${TQ58_GUIDE_IMAGES})

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(tq58_zip_arch x64)
    get_property(tq58_release_programs GLOBAL PROPERTY TQ58_WINDOWS_X64_PROGRAMS)
  else()
    set(tq58_zip_arch x86)
    get_property(tq58_release_programs GLOBAL PROPERTY TQ58_WINDOWS_PROGRAMS)
  endif()
  # Read by the release script: the programs this build's zip holds, one a line.
  list(JOIN tq58_release_programs "\n" tq58_lines)
  file(WRITE ${CMAKE_BINARY_DIR}/release-programs.txt "${tq58_lines}")
  if(NOT tq58_release_programs)
    # No empty zip: cpack stops with this reason instead.
    set(tq58_reason "No program of this build has a 64-bit driver: no ${tq58_zip_arch} zip is made")
    message(STATUS "${tq58_reason}")
    file(WRITE ${CMAKE_BINARY_DIR}/CPackConfig.cmake "message(FATAL_ERROR \"${tq58_reason}\")\n")
    return()
  endif()

  install(TARGETS ${tq58_release_programs} RUNTIME DESTINATION .)

  # README.txt: which program goes with which board and driver, in Japanese and English.
  set(tq58_table_ja "")
  set(tq58_table_en "")
  foreach(program IN LISTS tq58_release_programs)
    tq58_program_description(${program})
    set(driver_ja "${tq58_driver}")
    set(driver_en "${tq58_driver}")
    if(tq58_driver STREQUAL "-")
      set(driver_ja "なし（COM ポートまたは LAN で変換器と直接通信）")
      set(driver_en "none (talks to the controller through a COM port or the LAN)")
    endif()
    # configure_file sets the template's own line ends only: the table's are written CR LF here.
    string(APPEND tq58_table_ja "  ${program}.exe\r\n      ${tq58_board_ja}\r\n      ドライバ: ${driver_ja}\r\n")
    string(APPEND tq58_table_en "  ${program}.exe\r\n      ${tq58_board_en}\r\n      driver: ${driver_en}\r\n")
    get_property(choice GLOBAL PROPERTY TQ58_PROGRAM_${program}_INTERFACE)
    if(choice)
      list(GET choice 0 key)
      list(GET choice 1 default)
      get_property(option_ja GLOBAL PROPERTY TQ58_OPTION_${key}_JA)
      get_property(option_en GLOBAL PROPERTY TQ58_OPTION_${key}_EN)
      string(APPEND tq58_table_ja "      指定: --${key} 値、または settings.ini の ${key} = 値（既定: ${default}）\r\n"
                                  "      値: ${option_ja}\r\n")
      string(APPEND tq58_table_en "      option: --${key} VALUE, or ${key} = VALUE in settings.ini (default: ${default})\r\n"
                                  "      VALUE: ${option_en}\r\n")
    endif()
  endforeach()
  # Which Windows: tq58pc-rex5052-9x of the i686 build also runs on Windows 98 SE and Me.
  set(TQ58_WINDOWS98_JA "")
  set(TQ58_WINDOWS98_EN "")
  if(TQ58_WINDOWS_9X AND "tq58pc-rex5052-9x" IN_LIST tq58_release_programs)
    string(CONCAT TQ58_WINDOWS98_JA "tq58pc-rex5052-9x.exe は日本語版 Windows 98 SE と Me でも動きます。C ランタイムは\r\n"
        "Windows 98 SE / Me に付属の msvcrt.dll を使います。Windows 98 SE を模擬した試験で\r\n"
        "確かめていますが、実際の Windows 98 / Me では試していません。\r\n")
    string(CONCAT TQ58_WINDOWS98_EN "tq58pc-rex5052-9x.exe also runs on Japanese Windows 98 SE and Me, with the msvcrt.dll\r\n"
        "they ship. It was checked against a simulation of Windows 98 SE, never on a real\r\n"
        "Windows 98 or Me.\r\n")
  endif()
  set(TQ58_PROGRAM_TABLE_JA "${tq58_table_ja}")
  set(TQ58_PROGRAM_TABLE_EN "${tq58_table_en}")
  set(TQ58_ZIP_ARCH ${tq58_zip_arch})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt.in ${CMAKE_BINARY_DIR}/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt ${tq58_guide_files} DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME tq58pc-${PROJECT_VERSION}-windows-${tq58_zip_arch})
else()
  get_property(tq58_release_programs GLOBAL PROPERTY TQ58_PROGRAMS)
  list(JOIN tq58_release_programs "\n" tq58_lines)
  file(WRITE ${CMAKE_BINARY_DIR}/release-programs.txt "${tq58_lines}")
  if(NOT tq58_release_programs)
    return()  # a build without the window, such as the fuzzers'
  endif()

  install(TARGETS ${tq58_release_programs} RUNTIME DESTINATION bin)
  foreach(program IN LISTS tq58_release_programs)
    tq58_program_description(${program})
    # The manual page's parts that differ: the interface option and the driver library.
    set(TQ58_MAN_SYNOPSIS "")
    set(TQ58_MAN_OPTIONS "")
    set(TQ58_MAN_SETTINGS "")
    set(TQ58_MAN_CHOICE "The program takes no options and reads no configuration file.")
    get_property(choice GLOBAL PROPERTY TQ58_PROGRAM_${program}_INTERFACE)
    if(choice)
      list(GET choice 0 key)
      list(GET choice 1 default)
      get_property(option_en GLOBAL PROPERTY TQ58_OPTION_${key}_EN)
      set(TQ58_MAN_SYNOPSIS "[\\fB\\-\\-${key}\\fR \\fIvalue\\fR]\n")
      set(TQ58_MAN_CHOICE "The interface it drives is taken from the command line, else from the settings file, else it is the default, \\fB${default}\\fR; the status line names it.")
      set(TQ58_MAN_OPTIONS ".SH OPTIONS\n.TP\n\\fB\\-\\-${key}\\fR \\fIvalue\\fR, \\fB\\-\\-${key}=\\fIvalue\\fR\n${option_en}.\n")
      set(TQ58_MAN_SETTINGS ".TP\n.I ~/.config/tq58pc/settings.ini\nor \\fI$XDG_CONFIG_HOME/tq58pc/settings.ini\\fR where that is set: a line \\fB${key} =\\fR \\fIvalue\\fR chooses the interface when the command line does not; a line that starts with \\fB#\\fR or \\fB;\\fR is a comment.\n")
    endif()
    if(tq58_driver STREQUAL "-")
      set(TQ58_MAN_DRIVER "It loads no driver library: it talks to the controller through a serial port or a TCP connection. A serial port needs its user in the group \\fBdialout\\fR.")
    else()
      set(TQ58_MAN_DRIVER "It loads the board maker's driver library by name from the library search path.")
    endif()
    set(TQ58_DESKTOP_PROGRAM ${program})
    set(TQ58_DESKTOP_BOARD_JA "${tq58_board_ja}")
    set(TQ58_DESKTOP_BOARD_EN "${tq58_board_en}")
    configure_file(${PROJECT_SOURCE_DIR}/packaging/program.desktop.in
                   ${CMAKE_BINARY_DIR}/desktop/${program}.desktop @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/desktop/${program}.desktop DESTINATION share/applications)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/program.1.in ${CMAKE_BINARY_DIR}/man/${program}.1
                   @ONLY)
    list(APPEND tq58_man_pages ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
  endforeach()
  # Debian wants the manual pages and the changelog compressed with maximum compression and no
  # time stamp.
  find_program(TQ58_GZIP gzip REQUIRED)
  foreach(page IN LISTS tq58_man_pages)
    string(REGEX REPLACE "\\.gz$" "" source ${page})
    add_custom_command(OUTPUT ${page} COMMAND ${TQ58_GZIP} -9nkf ${source} DEPENDS ${source})
  endforeach()
  add_custom_target(tq58_man_pages ALL DEPENDS ${tq58_man_pages})
  install(FILES ${tq58_man_pages} DESTINATION share/man/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/app/tq58pc.svg
          DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${tq58_guide_files} ${PROJECT_SOURCE_DIR}/packaging/copyright
          DESTINATION share/doc/tq58pc)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
    COMMAND ${TQ58_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
  add_custom_target(tq58_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION share/doc/tq58pc)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # xdg-user-dir finds the documents folder; the window's Japanese needs a Japanese font.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-user-dirs, fonts-ipafont-gothic | fonts-noto-cjk")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "One window reads the analyzer's present values, downloads its mass memory and\nits statistics into CSV files and erases its mass memory. One program per GPIB\ninterface, each on the menu: most load their board maker's driver library at\nrun time; tq58pc-prologix talks to a Prologix-protocol USB or Ethernet GPIB\ncontroller through a serial port or TCP.")
endif()

include(CPack)
