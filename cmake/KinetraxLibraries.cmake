# The two kinds of library a module folder may build. Each module's CMakeLists.txt names its sources.
#
#   kx_logic_library(kx_store SOURCES ... DEPS kx_catalog ...)
#       Qt Core only. Qt's Gui, Widgets, Charts and Svg headers do not compile in it, however they are
#       spelled, and it may not depend on a widgets library.
#   kx_widgets_library(kx_today_ui SOURCES ... DEPS kx_today ...)
#       Widgets (and Svg) on top of the module's logic library.

function(kx_logic_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  foreach(dep IN LISTS ARG_DEPS)
    if(dep MATCHES "_ui$" OR dep MATCHES "^Qt6::(Gui|Widgets|Charts|Svg)$")
      message(FATAL_ERROR "${name} is a logic library and cannot depend on ${dep}")
    endif()
  endforeach()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC Qt6::Core ${ARG_DEPS})
  # Before Qt's own include directories: the global header of every GUI module there is an #error.
  target_include_directories(${name} BEFORE PRIVATE ${PROJECT_SOURCE_DIR}/cmake/core-only)
endfunction()

function(kx_widgets_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC Qt6::Widgets Qt6::Svg ${ARG_DEPS})
endfunction()
