# The floors of the program, from the bottom. Every include names its file from the top of the
# sources ("engine/file64.h"), so one include folder would let any file include any other; the
# floor check makes the build refuse an include from a floor above the includer's own instead.
# A folder belongs to the longest floor that it starts with (ui/console/ to ui/console, ui/ to
# the page rules); tests/ and bench/ stand above them all, and nothing of the program may
# include them.
set(PARTWELL_FLOORS platform res base engine settings ui ui/console ui/win32 tests bench)

# Checks the includes of every source of `target` against the floor of the folder that builds
# it, before any of them is compiled: the check's stamp is a source of the target, so a failed
# check fails the build. Call it once the target's sources are all listed.
function(partwell_floor target)
  file(RELATIVE_PATH floor ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  get_target_property(sources ${target} SOURCES)
  set(files)
  foreach(source IN LISTS sources)
    cmake_path(ABSOLUTE_PATH source NORMALIZE)
    cmake_path(IS_PREFIX PROJECT_BINARY_DIR ${source} generated)
    if(NOT generated)
      file(RELATIVE_PATH file ${PROJECT_SOURCE_DIR} ${source})
      list(APPEND files ${file})
    endif()
  endforeach()
  set(script ${PROJECT_SOURCE_DIR}/cmake/CheckFloors.cmake)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.floor)
  # The list in a file of its own keeps the command short; rewritten only when it changes.
  set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.floor-files)
  file(CONFIGURE OUTPUT ${list_file} CONTENT "${files}")
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} "-DFLOORS=${PARTWELL_FLOORS}"
            -DFLOOR=${floor} -DFILE_LIST=${list_file} -DSTAMP=${stamp} -P ${script}
    DEPENDS ${sources} ${list_file} ${script}
    COMMENT "Checking the includes of ${target} against the floor ${floor}"
    VERBATIM)
  target_sources(${target} PRIVATE ${stamp})
endfunction()
