# What the user is told about each program, in the version resource, the menu entry and the
# release's table of programs: the board in Japanese and English and the driver library's file.
# A program registered without a line here gets a generic description.
function(tq58_describe_program name driver board_ja board_en)
  set_property(GLOBAL PROPERTY TQ58_BOARD_${name}_DRIVER "${driver}")
  set_property(GLOBAL PROPERTY TQ58_BOARD_${name}_JA "${board_ja}")
  set_property(GLOBAL PROPERTY TQ58_BOARD_${name}_EN "${board_en}")
endfunction()

# tq58_program_description(NAME): sets tq58_driver, tq58_board_ja and tq58_board_en.
function(tq58_program_description name)
  get_property(driver GLOBAL PROPERTY TQ58_BOARD_${name}_DRIVER)
  get_property(board_ja GLOBAL PROPERTY TQ58_BOARD_${name}_JA)
  get_property(board_en GLOBAL PROPERTY TQ58_BOARD_${name}_EN)
  if(NOT board_en)
    set(driver "-")
    set(board_ja "GPIB ボード")
    set(board_en "GPIB board")
  endif()
  set(tq58_driver "${driver}" PARENT_SCOPE)
  set(tq58_board_ja "${board_ja}" PARENT_SCOPE)
  set(tq58_board_en "${board_en}" PARENT_SCOPE)
endfunction()

tq58_describe_program(tq58pc-rex5052-nt gplib2K.dll
  "ラトックシステム REX-5052、Windows 2000/XP 用ドライバ"
  "Ratoc Systems REX-5052, Windows 2000/XP driver")
tq58_describe_program(tq58pc-rex5052-9x gplib32.dll
  "ラトックシステム REX-5052、Windows 95/98/Me 用ドライバ"
  "Ratoc Systems REX-5052, Windows 9x driver")
tq58_describe_program(tq58pc-contec apigpib1.dll "コンテック GP-IB ボード" "Contec GPIB board")
tq58_describe_program(tq58pc-interface GPC4304.DLL
  "インタフェース GP-IB ボード" "Interface Corporation GPIB board")
tq58_describe_program(tq58pc-axp-gp02 axpgp02.dll
  "アドテック システム サイエンス AXP-GP02" "Adtek System Science AXP-GP02")
tq58_describe_program(tq58pc-apci-g01 Apci01.dll
  "アドテック システム サイエンス aPCI-G01" "Adtek System Science aPCI-G01")
tq58_describe_program(tq58pc-yamato Gpdllpci.dll
  "ヤマト電子 GP-IB ボード" "Yamato Electronics GPIB board")
tq58_describe_program(tq58pc-ni488 ${TQ58_NI488_LIBRARY}
  "NI-488.2 互換ドライバの GP-IB ボード・USB-GPIB 変換器"
  "GPIB board or USB-GPIB adapter with an NI-488.2 driver")
tq58_describe_program(tq58pc-visa ${TQ58_VISA_LIBRARY}
  "VISA ライブラリで使う GP-IB ボード・USB-GPIB 変換器"
  "GPIB board or USB-GPIB adapter through a VISA library")
tq58_describe_program(tq58pc-prologix -
  "Prologix 互換の USB-GPIB・LAN-GPIB 変換器（Prologix GPIB-USB、GPIB-ETHERNET、AR488）"
  "Prologix-protocol USB or Ethernet GPIB controller (Prologix GPIB-USB, GPIB-ETHERNET, AR488)")

# What the interface option of the programs that take one (tq58_choose_interface below) names,
# for the README.txt of the zips and the manual pages: in Japanese and English.
function(tq58_describe_option key ja en)
  set_property(GLOBAL PROPERTY TQ58_OPTION_${key}_JA "${ja}")
  set_property(GLOBAL PROPERTY TQ58_OPTION_${key}_EN "${en}")
endfunction()

tq58_describe_option(board "ボード番号（GPIB1 なら 1）"
  "the board index (1 for GPIB1; with linux-gpib the board's minor in gpib.conf)")
tq58_describe_option(interface "VISA のインターフェース名（GPIB1）か LAN-GPIB ゲートウェイのリソース名"
  "the VISA interface (GPIB1) or a LAN-GPIB gateway's resource (TCPIP0::192.168.1.20::gpib0::INTFC)")
tq58_describe_option(port "変換器の COM ポート（COM3）か LAN 変換器の IP アドレス:1234。auto は自動検出"
  "the controller's serial port (COM3, /dev/ttyUSB0) or an Ethernet controller's host:1234; auto asks every serial port ++ver and takes the first controller that answers")

# tq58_choose_interface(PROGRAM KEY DEFAULT): the program's user chooses the interface it drives,
# with "--KEY value" on the command line or "KEY = value" in the settings file; DEFAULT otherwise.
# The program's off-screen drive, where it has one, takes the same choice.
function(tq58_choose_interface program key default)
  foreach(target IN ITEMS ${program} ${program}-drive)
    if(TARGET ${target})
      target_compile_definitions(${target} PRIVATE TQ58_INTERFACE_KEY="${key}"
                                 TQ58_INTERFACE_DEFAULT="${default}")
    endif()
  endforeach()
  set_property(GLOBAL PROPERTY TQ58_PROGRAM_${program}_INTERFACE ${key} ${default})
endfunction()
