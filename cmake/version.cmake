# yv_add_version_resource(target "description" "OriginalFilename")
# Gives a Windows executable or DLL the version resource of the project (PROJECT_VERSION, e.g.
# 4.02 as file version 4,2,0,0) and the program icon res/Yorvan2.ico. The description may be
# Japanese (UTF-8).
function(yv_add_version_resource target description filename)
  if(NOT YV_WINDOWS)
    return()
  endif()
  enable_language(RC)
  set(YV_RC_DESCRIPTION "${description}")
  set(YV_RC_FILENAME "${filename}")
  get_filename_component(YV_RC_INTERNAL "${filename}" NAME_WE)
  set(YV_RC_ICON "${PROJECT_SOURCE_DIR}/res/Yorvan2.ico")
  # "4.02" is 4,2,0,0: the minor part counts as a number, as Windows shows it.
  math(EXPR minor "${PROJECT_VERSION_MINOR}")
  set(YV_RC_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${minor},0,0")
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(YV_RC_FILETYPE VFT_DLL)
  else()
    set(YV_RC_FILETYPE VFT_APP)
  endif()
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/version.rc.in" "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
  # The icon is read by the resource compiler, which CMake does not scan for it.
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${YV_RC_ICON}")
endfunction()
