# Gives a program its version data: a version resource on Windows (from the program's .rc file),
# a version block in a section of its own elsewhere. Both read a header generated per program
# from the project version and the program's name and description.
#   partwell_version_data(TARGET RC_FILE PRODUCT_NAME FILE_DESCRIPTION)
set(PW_VERSION_PATCH ${PROJECT_VERSION_PATCH})
set(PW_VERSION_BUILD 0)
if(PROJECT_VERSION_TWEAK)
  set(PW_VERSION_BUILD ${PROJECT_VERSION_TWEAK})
endif()

# The resource compiler's includes are not tracked by the build: a resource script is rebuilt
# whenever any file of res/ changes.
function(partwell_resource_depends rc_file)
  file(GLOB resource_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*.rc ${CMAKE_SOURCE_DIR}/res/*.h
       ${CMAKE_SOURCE_DIR}/res/*.bmp ${CMAKE_SOURCE_DIR}/res/*.ico)
  set_source_files_properties(${rc_file} PROPERTIES OBJECT_DEPENDS "${resource_files}")
endfunction()

function(partwell_version_data target rc_file product_name file_description)
  set(PW_PRODUCT_NAME ${product_name})
  set(PW_FILE_DESCRIPTION ${file_description})
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/version/${target})
  configure_file(${CMAKE_SOURCE_DIR}/res/partwell_version.h.in ${folder}/partwell_version.h @ONLY)
  target_include_directories(${target} PRIVATE ${folder})
  if(WIN32)
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/res/${rc_file})
    partwell_resource_depends(${CMAKE_SOURCE_DIR}/res/${rc_file})
  else()
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/res/posix/version_block.cpp)
  endif()
endfunction()
