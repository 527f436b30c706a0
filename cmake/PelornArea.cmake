# One library per top folder, made of every source under its src/.
# A folder with no sources yet becomes an interface library, so the
# folders above it can link it before it holds code.
function(pelorn_area_library name)
  cmake_parse_arguments(A "" "LOG_TAG" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/src/*.c)
  list(FILTER srcs EXCLUDE REGEX "/src/main\\.cpp$")
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/inc)
    target_link_libraries(${name} PUBLIC ${A_DEPS})
    if(A_LOG_TAG)
      target_compile_definitions(${name} PRIVATE ORZ_LOG_TAG="${A_LOG_TAG}")
    endif()
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    # The watch is short of memory, not of speed here: the app's time goes to
    # the toolkit, and smaller code leaves fewer of its pages resident.
    target_compile_options(${name} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-Os>)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/inc)
    target_link_libraries(${name} INTERFACE ${A_DEPS})
  endif()
endfunction()

# tools/, bench/ and res/ hold one sub-folder per program or resource set.
function(pelorn_add_child_dirs dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
    return()
  endif()
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
