# Fat Mach-O binaries for iOS 7-9, for any product of the device build:
#
#   qst_fat_binary(<target>
#     OUTPUT <fat file>
#     ARM64_OBJECTS <OBJECT library>   ARMV7_OBJECTS <OBJECT library, -arch armv7>
#     STUBS <.tbd files of the libraries it links>
#     EXPORTS <exported symbols list>
#     INSTALL_NAME <install name> | BUNDLE [INFO_PLIST <the bundle's Info.plist>]
#     IDENTIFIER <code signing identifier>)
#
# The arm64 slice is linked by ld64.lld-19 against the .tbd files. The armv7
# slice is linked by ld64.lld.darwinold (Debian's lld-13, the one Debian
# linker that still writes armv7 Mach-O) against stub dylibs that the build
# makes from the same .tbd files (link_armv7.py says how its defects are kept
# out of the result). Both slices are ad-hoc signed by our signer, SHA-1 and
# SHA-256, and joined by llvm-lipo, armv7 first. <target> builds OUTPUT.
find_program(QST_LD64 NAMES ld64.lld-19 REQUIRED)
find_program(QST_LD64_ARMV7 NAMES ld64.lld.darwinold PATHS /usr/lib/llvm-13/bin NO_DEFAULT_PATH REQUIRED)
find_program(QST_LIPO NAMES llvm-lipo-19 REQUIRED)
find_program(QST_READTAPI NAMES llvm-readtapi-19 REQUIRED)
# Debian's python3 (3.9 or later) before any other on the PATH.
find_program(QST_PYTHON NAMES python3 HINTS /usr/bin REQUIRED)

set(QST_LINK_DIR ${CMAKE_CURRENT_LIST_DIR})
set(QST_DEVICE_STUB_DIR ${CMAKE_CURRENT_LIST_DIR}/../stubs)

# The armv7 stub dylib of one .tbd, made once per build tree whichever
# product asks first; its target is armv7_stub_<name>.
function(qst_armv7_stub tbd out_dylib)
  get_filename_component(name ${tbd} NAME_WLE)
  get_filename_component(tbd ${tbd} ABSOLUTE)
  set(dylib ${CMAKE_BINARY_DIR}/armv7-stubs/${name}.dylib)
  get_property(made_from GLOBAL PROPERTY QST_ARMV7_STUB_${name})
  if(NOT made_from)
    set_property(GLOBAL PROPERTY QST_ARMV7_STUB_${name} ${tbd})
    set(libsystem_args "")
    if(NOT name STREQUAL "libSystem")
      qst_armv7_stub(${QST_DEVICE_STUB_DIR}/libSystem.tbd libsystem)
      set(libsystem_args --libsystem ${libsystem})
    endif()
    add_custom_command(
      OUTPUT ${dylib}
      COMMAND ${QST_PYTHON} ${QST_LINK_DIR}/armv7_stub_dylib.py --readtapi ${QST_READTAPI}
              --compiler ${CMAKE_C_COMPILER} --linker ${QST_LD64_ARMV7} --tbd ${tbd}
              --work-dir ${CMAKE_BINARY_DIR}/armv7-stubs/${name} --output ${dylib} ${libsystem_args}
      DEPENDS ${tbd} ${QST_LINK_DIR}/armv7_stub_dylib.py ${libsystem}
      COMMENT "Making the armv7 link stub of ${name}"
      VERBATIM)
    add_custom_target(armv7_stub_${name} DEPENDS ${dylib})
    if(libsystem)
      add_dependencies(armv7_stub_${name} armv7_stub_libSystem)
    endif()
  elseif(NOT made_from STREQUAL tbd)
    message(FATAL_ERROR "Two link stubs named ${name}: ${made_from} and ${tbd}")
  endif()
  set(${out_dylib} ${dylib} PARENT_SCOPE)
endfunction()

function(qst_fat_binary target)
  cmake_parse_arguments(PARSE_ARGV 1 FAT "BUNDLE" "OUTPUT;ARM64_OBJECTS;ARMV7_OBJECTS;EXPORTS;INSTALL_NAME;IDENTIFIER;INFO_PLIST"
                        "STUBS")
  foreach(required OUTPUT ARM64_OBJECTS ARMV7_OBJECTS EXPORTS IDENTIFIER STUBS)
    if(NOT FAT_${required})
      message(FATAL_ERROR "qst_fat_binary(${target}): ${required} is required")
    endif()
  endforeach()
  if(FAT_BUNDLE AND FAT_INSTALL_NAME OR NOT FAT_BUNDLE AND NOT FAT_INSTALL_NAME)
    message(FATAL_ERROR "qst_fat_binary(${target}): give either INSTALL_NAME (a dylib) or BUNDLE")
  endif()
  if(FAT_BUNDLE)
    set(arm64_kind -bundle)
    set(armv7_kind --bundle)
  else()
    set(arm64_kind -dylib -install_name ${FAT_INSTALL_NAME})
    set(armv7_kind --install-name ${FAT_INSTALL_NAME})
  endif()

  # ld64.lld.darwinold's shim for a Thumb branch to an ARM stub (a tail call
  # to an import) is miscoded (`add pc, pc` for `add ip, pc`): without tail
  # calls the compiler emits BLX, which switches mode by itself.
  target_compile_options(${FAT_ARMV7_OBJECTS} PRIVATE -fno-optimize-sibling-calls)
  # Unwind information for every arm64 function, which clang leaves out under
  # -fno-exceptions: libunwind takes a frame without it as the end of the
  # stack, so an Objective-C exception raised below one of our functions
  # (in SpringBoard's code under a replacement) could not reach a handler
  # above it. armv7 unwinds with setjmp/longjmp and needs none.
  target_compile_options(${FAT_ARM64_OBJECTS} PRIVATE -funwind-tables)

  set(armv7_stubs "")
  set(stub_targets "")
  foreach(tbd IN LISTS FAT_STUBS)
    qst_armv7_stub(${tbd} dylib)
    get_filename_component(name ${tbd} NAME_WLE)
    list(APPEND armv7_stubs ${dylib})
    list(APPEND stub_targets armv7_stub_${name})
  endforeach()

  set(slices ${CMAKE_CURRENT_BINARY_DIR}/${target}-slices)
  file(MAKE_DIRECTORY ${slices})
  foreach(arch armv7 arm64)
    set(linked_${arch} ${slices}/${arch}.unsigned)
    set(signed_${arch} ${slices}/${arch})
  endforeach()
  set(armv7_objects $<TARGET_OBJECTS:${FAT_ARMV7_OBJECTS}>)
  set(arm64_objects $<TARGET_OBJECTS:${FAT_ARM64_OBJECTS}>)
  set(sign ${QST_PYTHON} ${QST_LINK_DIR}/adhoc_codesign.py)
  # A bundle's executable is signed with its Info.plist's hash (slot -1).
  set(info_plist "")
  if(FAT_INFO_PLIST)
    get_filename_component(info_plist ${FAT_INFO_PLIST} ABSOLUTE)
  endif()

  # No -dead_strip: nothing here would check what this linker keeps. (Given
  # the objects as compiled, it kept the initialiser but dropped every
  # replacement the initialiser reaches through a non-lazy pointer.)
  add_custom_command(
    OUTPUT ${linked_armv7} ${signed_armv7}
    COMMAND ${QST_PYTHON} ${QST_LINK_DIR}/link_armv7.py --linker ${QST_LD64_ARMV7} --output ${linked_armv7}
            --work-dir ${slices}/armv7-objects --exports ${FAT_EXPORTS} ${armv7_kind}
            --stubs ${armv7_stubs} --objects ${armv7_objects}
    COMMAND ${sign} ${linked_armv7} ${signed_armv7} ${FAT_IDENTIFIER} ${info_plist}
    DEPENDS ${armv7_objects} ${armv7_stubs} ${FAT_EXPORTS} ${info_plist} ${QST_LINK_DIR}/link_armv7.py
            ${QST_LINK_DIR}/nl_pointers_as_relocations.py ${QST_LINK_DIR}/thumb_export_addresses.py
            ${QST_LINK_DIR}/add_uuid.py
            ${QST_LINK_DIR}/adhoc_codesign.py
    COMMENT "Linking and signing the armv7 slice of ${target}"
    COMMAND_EXPAND_LISTS VERBATIM)
  # Two-level namespace (every import bound to the stub that lists it) and
  # undefined symbols as errors are ld64's defaults; a call outside the stubs
  # fails here. Dead stripping keeps the initialiser with this linker.
  add_custom_command(
    OUTPUT ${linked_arm64} ${signed_arm64}
    COMMAND ${QST_LD64} -arch arm64 -platform_version ios 7.0 7.0 ${arm64_kind} -exported_symbols_list ${FAT_EXPORTS}
            -dead_strip -o ${linked_arm64} ${arm64_objects} ${FAT_STUBS}
    COMMAND ${sign} ${linked_arm64} ${signed_arm64} ${FAT_IDENTIFIER} ${info_plist}
    DEPENDS ${arm64_objects} ${FAT_STUBS} ${FAT_EXPORTS} ${info_plist} ${QST_LINK_DIR}/adhoc_codesign.py
    COMMENT "Linking and signing the arm64 slice of ${target}"
    COMMAND_EXPAND_LISTS VERBATIM)
  add_custom_command(
    OUTPUT ${FAT_OUTPUT}
    COMMAND ${QST_LIPO} -create ${signed_armv7} ${signed_arm64} -output ${FAT_OUTPUT}
    DEPENDS ${signed_armv7} ${signed_arm64}
    COMMENT "Joining the slices of ${target}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${FAT_OUTPUT})
  # Where the checks find the objects the armv7 slice was linked from.
  set_property(TARGET ${target} PROPERTY QST_ARMV7_OBJECT_DIR ${slices}/armv7-objects)
  set_property(TARGET ${target} PROPERTY QST_INFO_PLIST "${info_plist}")
  set_property(TARGET ${target} PROPERTY QST_SLICES_DIR ${slices})
  add_dependencies(${target} ${FAT_ARM64_OBJECTS} ${FAT_ARMV7_OBJECTS} ${stub_targets})
endfunction()
