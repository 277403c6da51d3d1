# Each subsystem is a core library (its logic, files, repository and runs;
# Qt Core and Qt Sql only) and a window library on top. The unattended run
# and quenbar-cli link only core libraries, so they run without a display.
#
# quenbar_core_library(<name> INCLUDE <dir> SOURCES ... [LIBS ...])
# A core library may link only Qt6::Core, Qt6::Sql and other core
# libraries, and its sources cannot include a Qt Gui, Widgets or
# PrintSupport header: guard headers that shadow Qt's stop the build.
set(QUENBAR_CORE_GUARD_DIR ${CMAKE_CURRENT_LIST_DIR}/core-guard)

function(quenbar_core_library name)
  cmake_parse_arguments(C "" "" "INCLUDE;SOURCES;LIBS" ${ARGN})
  foreach(lib IN LISTS C_LIBS)
    set(core_lib FALSE)
    if(lib STREQUAL "Qt6::Core" OR lib STREQUAL "Qt6::Sql")
      set(core_lib TRUE)
    elseif(TARGET ${lib})
      get_target_property(core_lib ${lib} QUENBAR_CORE)
    endif()
    if(NOT core_lib)
      message(FATAL_ERROR "Core library ${name} may not link ${lib}: only Qt6::Core, Qt6::Sql and core libraries")
    endif()
  endforeach()
  add_library(${name} STATIC ${C_SOURCES})
  target_include_directories(${name} PUBLIC ${C_INCLUDE})
  target_include_directories(${name} BEFORE PRIVATE ${QUENBAR_CORE_GUARD_DIR})
  target_link_libraries(${name} PUBLIC ${C_LIBS})
  set_target_properties(${name} PROPERTIES QUENBAR_CORE TRUE)
endfunction()
