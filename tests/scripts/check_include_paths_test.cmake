# The include-path check on trees made to hold each fault it is for, and on
# one without: the check must fail on each planted tree, naming the fault,
# and pass on the sound one.
#   cmake -DCHECK=<check_include_paths.cmake> -DWORK=<scratch folder> -P check_include_paths_test.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK}")

# A tree of the given files (name=text) and one compile of x.cc with the
# given include folders (relative to the tree), as CMake records it.
function(make_tree name files includes)
  set(tree "${WORK}/${name}")
  foreach(entry IN LISTS files)
    string(REPLACE "=" ";" fields "${entry}")
    list(GET fields 0 path)
    list(LENGTH fields n)
    set(text "")
    if(n GREATER 1)
      list(GET fields 1 text)
    endif()
    file(WRITE "${tree}/${path}" "${text}\n")
  endforeach()
  file(WRITE "${tree}/x.cc" "\n")
  set(flags "")
  foreach(dir IN LISTS includes)
    # Quoted as CMake quotes a folder with a space in it.
    if("${tree}" MATCHES " ")
      string(APPEND flags " -I\\\"${tree}/${dir}\\\"")
    else()
      string(APPEND flags " -I${tree}/${dir}")
    endif()
  endforeach()
  file(WRITE "${tree}/build/compile_commands.json" "[
{
  \"directory\": \"${tree}/build\",
  \"command\": \"/usr/bin/c++${flags} -isystem /usr/include -o x.o -c ${tree}/x.cc\",
  \"file\": \"${tree}/x.cc\"
}
]
")
endfunction()

set(failures "")
# expect(<tree> <regex or PASS>)
function(expect name expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -DCOMMANDS=${WORK}/${name}/build/compile_commands.json
                          -DSOURCE=${WORK}/${name} -P ${CHECK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "[ \n]+" " " said "${out}${err}")
  if(expected STREQUAL "PASS")
    if(NOT status EQUAL 0)
      set(failures "${failures}\n${name}: the check failed a sound tree: ${said}" PARENT_SCOPE)
    endif()
  elseif(status EQUAL 0 OR NOT said MATCHES "${expected}")
    set(failures "${failures}\n${name}: expected a failure saying /${expected}/, got status ${status}: ${said}"
        PARENT_SCOPE)
  endif()
endfunction()

# Two backends on one path, with no header in common: a header added to the
# second later is hidden by the first without a word (the pane's own
# backend beside the library's).
make_tree(two_backends "src/host/simulator/backend/runtime.h;prefs/host/simulator/backend/class_pairs.h"
          "src;src/host/simulator;prefs/host/simulator")
expect(two_backends "x.cc: 2 backends on the include path .*prefs/host/simulator/backend")

# One header name in two folders of the path.
make_tree(hidden_header "a/store/files.h;b/store/files.h;b/store/other.h" "a;b")
expect(hidden_header "\"store/files.h\" is found in .*/a and in .*/b")

# A source that names a backend's folder, around the choice.
make_tree(named_backend "src/host/ios/backend/runtime.h;src/host/simulator/backend/runtime.h;src/feed/query.cc=#include \"host/ios/backend/runtime.h\""
          "src;src/host/simulator")
expect(named_backend "query.cc: #include \"host/ios/backend/runtime.h\"")

# A library folder reaching up to the roof, and the floor reaching up to a folder.
make_tree(roof_included "src/startup/captured.h;src/list/clearing.cc=#include \"startup/captured.h\"" "src")
expect(roof_included "src/list/clearing.cc: #include \"startup/captured.h\": startup/ is the roof")
make_tree(floor_reaching_up "src/list/recognition.h;src/host/springboard.h=#include \"list/recognition.h\"" "src")
expect(floor_reaching_up "src/host/springboard.h: #include \"list/recognition.h\": src/host/ is the floor")

# The platform's floor reaching up into a framework.
make_tree(base_reaching_up "platform/foundation/NSString.h;platform/base/regular_file.cc=#include \"foundation/NSString.h\"" "platform")
expect(base_reaching_up "platform/base/regular_file.cc: #include \"foundation/NSString.h\": platform/base/ is the floor")

# A SpringBoard compile that could include the library or the emulator.
function(springboard_compile name dir)
  make_tree(${name} "springboard/Device.cc;${dir}/x.h" "${dir}")
  file(WRITE "${WORK}/${name}/build/compile_commands.json" "[
{
  \"directory\": \"${WORK}/${name}/build\",
  \"command\": \"/usr/bin/c++ -I${WORK}/${name}/${dir} -o Device.o -c ${WORK}/${name}/springboard/Device.cc\",
  \"file\": \"${WORK}/${name}/springboard/Device.cc\"
}
]
")
endfunction()
springboard_compile(springboard_sees_src src)
expect(springboard_sees_src "springboard/Device.cc: src/ is on its include path")
springboard_compile(springboard_sees_emulator emulator)
expect(springboard_sees_emulator "springboard/Device.cc: emulator/ is on its include path")

# The seam as it is laid out: one backend, the other only beside it.
make_tree(sound "src/host/objc.h=#include \"backend/runtime.h\";src/host/simulator/backend/runtime.h;src/host/ios/backend/runtime.h;prefs/store/files.h"
          "prefs;src;src/host/simulator")
expect(sound PASS)

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "each planted fault was caught; the sound tree passed")
