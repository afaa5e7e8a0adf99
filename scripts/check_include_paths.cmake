# Checks a build's include paths, as compile_commands.json records them:
#  - at most one folder on any compile's path holds a backend/ folder, so a
#    backend/… header always comes from the one backend chosen at configure
#    time and never from another that happens to be first on the path;
#  - no header is reachable under one name from two folders of the path:
#    the compiler takes the first and says nothing of the second;
#  - no source names a backend by its folder (host/simulator/…, host/ios/…),
#    which would reach around the choice;
#  - each product stands on its floors: inside src/, host/ is the ground
#    (it includes none of the library's folders) and startup/ the roof (no
#    other folder includes it); no compile of springboard/ has src/ or
#    emulator/ on its path, so SpringBoard reaches the library only by
#    loading it and the emulator only through module_loader/.
# Only folders of the source tree count; system and build folders do not.
#   cmake -DCOMMANDS=<compile_commands.json> -DSOURCE=<source tree> -P check_include_paths.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT EXISTS "${COMMANDS}" OR NOT IS_DIRECTORY "${SOURCE}")
  message(FATAL_ERROR "usage: cmake -DCOMMANDS=<compile_commands.json> -DSOURCE=<source tree> -P ${CMAKE_SCRIPT_MODE_FILE}")
endif()
set(problems "")

# The headers under `dir`, by the name an include gives them; read once per folder.
function(headers_of dir out)
  string(MD5 key "${dir}")
  get_property(known GLOBAL PROPERTY headers_${key} SET)
  if(NOT known)
    file(GLOB_RECURSE found RELATIVE "${dir}" "${dir}/*.h")
    # The build folders below the source tree hold no header of ours.
    list(FILTER found EXCLUDE REGEX "^(build|\\.git)/")
    set_property(GLOBAL PROPERTY headers_${key} "${found}")
  endif()
  get_property(headers GLOBAL PROPERTY headers_${key})
  set(${out} "${headers}" PARENT_SCOPE)
endfunction()

# One compile's include folders, in the compiler's order of search.
function(check_path file dirs)
  set(backends "")
  set(found "")
  foreach(dir IN LISTS dirs)
    if(IS_DIRECTORY "${dir}/backend")
      list(APPEND backends "${dir}/backend")
    endif()
    headers_of("${dir}" headers)
    foreach(name IN LISTS headers)
      string(MD5 key "${name}")
      if(DEFINED owner_${key})
        list(APPEND found "${file}: \"${name}\" is found in ${owner_${key}} and in ${dir}: the first hides the second")
      else()
        set(owner_${key} "${dir}")
      endif()
    endforeach()
  endforeach()
  list(LENGTH backends count)
  if(count GREATER 1)
    string(JOIN ", " listed ${backends})
    list(APPEND found "${file}: ${count} backends on the include path (${listed}): a backend/… header of one can hide the other's")
  endif()
  set(problems "${problems};${found}" PARENT_SCOPE)
endfunction()

set(SOURCE_BUILD "${SOURCE}/build")

# CMake writes each entry's "command" line before its "file" line.
file(STRINGS "${COMMANDS}" lines REGEX "^ *\"(command|file)\": ")
set(checked "")
set(command "")
foreach(line IN LISTS lines)
  if(line MATCHES "^ *\"command\": ")
    set(command "${line}")
    continue()
  endif()
  string(REGEX REPLACE "^ *\"file\": \"(.*)\",?$" "\\1" file "${line}")
  # -I/path, or -I\"/path with spaces\" as CMake quotes it inside the JSON string.
  string(REGEX MATCHALL " -I(\\\\\"[^\"]*\\\\\"|[^ ]+)" flags "${command}")
  set(dirs "")
  foreach(flag IN LISTS flags)
    string(SUBSTRING "${flag}" 3 -1 dir)
    if(dir MATCHES "^\\\\\"(.*)\\\\\"$")
      set(dir "${CMAKE_MATCH_1}")
    endif()
    cmake_path(IS_PREFIX SOURCE "${dir}" NORMALIZE in_source)
    cmake_path(IS_PREFIX SOURCE_BUILD "${dir}" NORMALIZE in_build)
    if(in_source AND NOT in_build)
      list(APPEND dirs "${dir}")
    endif()
  endforeach()
  # What springboard/ may not see: the library's folders and the emulator's.
  cmake_path(IS_PREFIX SOURCE "${file}" NORMALIZE file_in_source)
  if(file_in_source)
    file(RELATIVE_PATH relative_file "${SOURCE}" "${file}")
    if(relative_file MATCHES "^springboard/")
      foreach(dir IN LISTS dirs)
        file(RELATIVE_PATH relative_dir "${SOURCE}" "${dir}")
        if(relative_dir MATCHES "^(src|emulator)(/|$)")
          list(APPEND problems "${relative_file}: ${relative_dir}/ is on its include path: springboard/ loads the library and maps device code through module_loader/, it does not include them")
        endif()
      endforeach()
    endif()
  endif()
  string(JOIN "|" key ${dirs})
  if(NOT key IN_LIST checked)
    list(APPEND checked "${key}")
    check_path("${file}" "${dirs}")
  endif()
endforeach()

file(GLOB_RECURSE sources RELATIVE "${SOURCE}" "${SOURCE}/*.h" "${SOURCE}/*.cc" "${SOURCE}/*.c")
list(FILTER sources EXCLUDE REGEX "^(build|\\.git)/")
foreach(source IN LISTS sources)
  file(STRINGS "${SOURCE}/${source}" named REGEX "#include \"host/[^/\"]+/")
  foreach(line IN LISTS named)
    list(APPEND problems "${source}: ${line}: include the backend as backend/…, from the one on the path")
  endforeach()
endforeach()

# The library's floors: src/host/ includes no folder of the library's own,
# and only src/startup/ includes startup/.
set(library_folders "feed|list|presentation|settings|startup")
foreach(source IN LISTS sources)
  if(NOT source MATCHES "^src/([^/]+)/")
    continue()
  endif()
  set(folder "${CMAKE_MATCH_1}")
  if(folder STREQUAL "host")
    file(STRINGS "${SOURCE}/${source}" upward REGEX "#include \"(${library_folders})/")
    foreach(line IN LISTS upward)
      list(APPEND problems "${source}: ${line}: src/host/ is the floor every folder stands on and includes none of them")
    endforeach()
  elseif(NOT folder STREQUAL "startup")
    file(STRINGS "${SOURCE}/${source}" roof REGEX "#include \"startup/")
    foreach(line IN LISTS roof)
      list(APPEND problems "${source}: ${line}: startup/ is the roof; what every folder needs lives in host/")
    endforeach()
  endif()
endforeach()

# platform/base/ is the floor below the frameworks (the bounded reader,
# descriptors, host paths, notes): it includes none of them.
foreach(source IN LISTS sources)
  if(source MATCHES "^platform/base/")
    file(STRINGS "${SOURCE}/${source}" upward REGEX "#include \"[a-z]+/" )
    foreach(line IN LISTS upward)
      if(NOT line MATCHES "#include \"base/")
        list(APPEND problems "${source}: ${line}: platform/base/ is the floor below the frameworks and includes none of them")
      endif()
    endforeach()
  endif()
endforeach()

list(REMOVE_ITEM problems "")
list(LENGTH checked paths)
if(problems)
  list(JOIN problems "\n" text)
  message(FATAL_ERROR "${text}")
endif()
message(STATUS "${paths} include paths checked: no header hidden, at most one backend each")
