# Partwell's compiled HTML help, Partwell.chm, built from res/help/ with Free Pascal's CHM
# compiler (Debian's fp-utils) and placed beside Partwell.exe, where the Help button opens it.
# Only the Windows program has a help file; without the compiler the build goes on without it.
find_program(PW_CHMCMD chmcmd)
if(NOT PW_CHMCMD)
  message(STATUS "chmcmd not found (Debian package fp-utils): Partwell.chm is not built")
  return()
endif()

# The help pages, pictures and project files: data, not code, so found by folder.
file(GLOB PW_HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/help/*)
set(PW_HELP_STAGE ${CMAKE_BINARY_DIR}/help)
set(PW_HELP_FILE ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Partwell.chm)
# The compiler writes beside its project file, so it runs on a copy, away from the sources.
add_custom_command(
  OUTPUT ${PW_HELP_FILE}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PW_HELP_STAGE}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/res/help ${PW_HELP_STAGE}
  COMMAND ${CMAKE_COMMAND} -E chdir ${PW_HELP_STAGE} ${PW_CHMCMD} --verbosity 0 Partwell.hhp
  COMMAND ${CMAKE_COMMAND} -E copy ${PW_HELP_STAGE}/Partwell.chm ${PW_HELP_FILE}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${PW_HELP_SOURCES}
  COMMENT "Compiling the help file Partwell.chm"
  VERBATIM)
add_custom_target(partwell_help ALL DEPENDS ${PW_HELP_FILE})
set_target_properties(partwell_help PROPERTIES PARTWELL_HELP_FILE ${PW_HELP_FILE})
